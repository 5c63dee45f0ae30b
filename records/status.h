// The exit statuses of every program's run. The record library raises failures
// with them and the run frame (runframe/run.h) returns them; both include this.
#pragma once

namespace records {

// A file could not be opened, created, written or closed.
inline constexpr int kStatusOsError = 1;
// The input is bad: a read failure, an unexpected end of file, or an argument the
// program does not take.
inline constexpr int kStatusBadInput = 2;

}  // namespace records
