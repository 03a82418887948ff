#include "extract/run_state.hpp"

namespace extract {

ExtractionState Extraction;

void EndRun(Outcome why) {
  Extraction.Running = 0;
  if (Extraction.RunOutcome == Outcome::kUnderway) Extraction.RunOutcome = why;
}

platform::IoResult EndRun(Outcome why, const std::string& path, platform::IoResult code, const char* reason) {
  if (Extraction.RunOutcome == Outcome::kUnderway) Extraction.StoppedAt = {path, code, reason};
  EndRun(why);
  return code;
}

}  // namespace extract
