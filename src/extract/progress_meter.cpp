#include "extract/progress_meter.hpp"

#include <cmath>

#include "extract/front_end.hpp"

namespace extract {

void SetProgressTotals(std::int32_t total_size, std::int32_t entry_count) {
  BytesDone = 0;
  LastPercent = 0;
  FileStep = entry_count > 0 ? total_size / (3 * static_cast<std::int64_t>(entry_count)) : 0;
  ProgressTotal = total_size + entry_count * FileStep;
}

void AdvanceProgress(std::int64_t n) {
  BytesDone += n;
  const double fraction = ProgressTotal > 0 ? static_cast<double>(BytesDone) / ProgressTotal : 1.0;
  const int percent = static_cast<int>(std::nearbyint(fraction * 100));
  if (percent == LastPercent) return;
  LastPercent = percent;
  if (UserInterface.show_progress) UserInterface.show_progress(percent, fraction);
}

}  // namespace extract
