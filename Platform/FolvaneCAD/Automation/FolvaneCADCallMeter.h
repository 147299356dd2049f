// How many automation calls the stand-in's objects answered in this
// process and how long they took, for benchmarks that want to tell the time
// a program spends in the CAD application from its own.
#pragma once

#include <chrono>
#include <cstdint>

namespace FolvaneCAD {

struct CallMeter {
  std::uint64_t calls = 0;
  std::chrono::nanoseconds inside{0};

  // The process-wide meter; every StandInObject::Invoke adds to it.
  static CallMeter& Process();
};

}  // namespace FolvaneCAD
