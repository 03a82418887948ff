#include "extract/progress_count.hpp"

#include <cmath>

#include "extract/front_end.hpp"

namespace extract {

void SetProgressTotals(std::int32_t total_size, std::int32_t entry_count) {
  const std::int64_t step = entry_count > 0 ? total_size / (3 * static_cast<std::int64_t>(entry_count)) : 0;
  Progress = {.ProgressTotal = total_size + entry_count * step, .FileStep = step};
}

void AdvanceProgress(std::int64_t n) {
  Progress.BytesDone += n;
  const double fraction =
      Progress.ProgressTotal > 0 ? static_cast<double>(Progress.BytesDone) / Progress.ProgressTotal : 1.0;
  const int percent = static_cast<int>(std::nearbyint(fraction * 100));
  if (percent == Progress.LastPercent) return;
  Progress.LastPercent = percent;
  if (UserInterface.show_progress) UserInterface.show_progress(percent, fraction);
}

}  // namespace extract
