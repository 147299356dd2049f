// Small text helpers of the CAD stand-in: numbers as the data files write
// them, and paths as callers from Windows hand them over.
#pragma once

#include <string>
#include <vector>

#include "QK_TString.h"

namespace FolvaneCAD {

// Shortest faithful decimal form ("80", "12.5", "0.3").
QK_TString FormatNumber(double value);
// True when the whole text (blanks around it allowed) is a decimal number.
bool ParseNumber(const QK_TString& text, double* value);
// True when the whole text (blanks around it allowed) is a whole number.
bool ParseInteger(const QK_TString& text, long* value);

// A caller's path with every "\" turned into "/"; nothing else changes, so
// "C:/x" stays a relative path on this system.
QK_TString LocalPath(const QK_TString& path);
// The last part of a path without its extension ("box" for "a/box.kpx").
QK_TString BaseName(const QK_TString& path);
// The extension with its ".", in lower case; empty when there is none.
QK_TString LowerExtension(const QK_TString& path);

// Writes `content` to `path` so that the file appears whole or not at
// all: through an unnamed file in its folder (O_TMPFILE), given a name of
// this call's own only once it is whole, then renamed over `path`. Where
// the file system makes no unnamed files, the named file is written
// instead. That name is "<name>.<key>.writing-<pid>-<start time>-<PID
// namespace>-" and six random letters: <name> is the name of `path` cut
// to its first 170 bytes (fewer where the cut would split a UTF-8
// character), so that the whole fits in NAME_MAX (255) for any name the
// file system takes; <key> is the QK_TString::StableKey of the whole name
// in 16 hexadecimal digits, so that writers of the same path, and only
// they, find each other's files; the rest names the writer as
// QK_TProcessId does. A writer killed half-way leaves no named file, or
// one of that name; each call first removes those of writers of `path` of
// this PID namespace that the kernel says have ended (no such process, or
// one of another start time). A writer that cannot be checked, another
// account's under a /proc that hides it, may be writing still: its file
// stays. Of writers that save the same path at once the last whole file
// wins. A new file gets 0666 less the umask. False with the reason when
// it cannot be written (a name the file system refuses: "File name too
// long"); nothing of this call is then left.
bool WriteWholeFile(const QK_TString& path, const std::string& content, QK_TString* error);

// `text` in double quotes, with " and \ and tab, line feed and carriage
// return escaped by a "\" (\t, \n, \r).
QK_TString QuotedText(const QK_TString& text);

// The pieces of `text` between the separators (empty pieces kept).
std::vector<QK_TString> Split(const QK_TString& text, char separator);
QK_TString Join(const std::vector<QK_TString>& pieces, const QK_TString& separator);

}  // namespace FolvaneCAD
