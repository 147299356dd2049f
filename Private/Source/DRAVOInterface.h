// The abstract interface to the CAD application. A driver (conventional or
// enterprise) implements it; the task owns one driver for the CAD server it
// is connected to.
#pragma once

class TW_TTask;

namespace CAD {

class DRAVOInterface {
 public:
  // `reporter` (not owned, may be null) receives the operations' messages.
  explicit DRAVOInterface(TW_TTask* reporter) : reporter(reporter) {}
  virtual ~DRAVOInterface();
  DRAVOInterface(const DRAVOInterface&) = delete;
  DRAVOInterface& operator=(const DRAVOInterface&) = delete;

 protected:
  TW_TTask* reporter;
};

}  // namespace CAD
