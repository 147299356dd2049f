// TaskError ends a ticket whose failure has already been reported.
//
// The code that finds the failure sends its message first (severity 2, a
// message key and its arguments) and then throws a bare TaskError; the run
// adds nothing, it only ends the ticket as failed.
#pragma once

#include "ExceptionScaffold.h"

SHAPEJOB_EXCEPTION(TaskError, QK_EException)
