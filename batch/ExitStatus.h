// Exit statuses of the programs, for scripts. A one-file conversion exits with its outcome
// (0, 1, 2, 4, 6 or 10, see Outcome); the others are these.
#pragma once

namespace Calvorn {

inline constexpr int kExitSuccess = 0;        // batch: no file failed (empty files included)
inline constexpr int kExitSomeFailed = 1;     // batch: at least one file failed
inline constexpr int kExitNoConverter = 20;   // one file: no converter for the extension
inline constexpr int kExitUsage = 64;         // usage text shown, or arguments not understood
inline constexpr int kExitNoInput = 66;       // a file or folder named is missing, or the
                                              // batch run's precondition failed
inline constexpr int kExitCannotCreate = 73;  // batch: the run report cannot be written
inline constexpr int kExitSignalBase = 128;   // stopped by a signal: 128 + its number

}  // namespace Calvorn
