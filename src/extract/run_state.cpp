#include "extract/run_state.hpp"

namespace extract {

void StopRun(Outcome why) {
  Extraction.Running = 0;
  if (Extraction.RunOutcome == Outcome::kUnderway) Extraction.RunOutcome = why;
}

platform::IoResult StopRun(Outcome why, const std::string& path, platform::IoResult code, const char* reason) {
  if (Extraction.RunOutcome == Outcome::kUnderway) Extraction.StoppedAt = {path, code, reason};
  StopRun(why);
  return code;
}

}  // namespace extract
