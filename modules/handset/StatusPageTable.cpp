#include "modules/handset/StatusPageTable.h"

#include <algorithm>

namespace connect_status {
namespace {

constexpr int kPageOfStatus[kLastTableStatus + 1] = {
    8, 1, 7, 5, 4, 4, 4, 4, 5, 4, 7, 6, 7, 2, 1, 1, 8, 3, 1, 8, 8, 1, 11,
};

}  // namespace

int PageOfStatus(int32_t status) {
  if (status < 0 || status > kLastTableStatus) return 0;
  return kPageOfStatus[status];
}

StepMarks StepMarksOfStatus(int32_t status) {
  StepMarks marks;
  if (status <= 0) return marks;
  marks.detect = true;
  marks.connect = status >= 18;
  marks.ready = status >= kLastTableStatus;
  return marks;
}

std::optional<float> ProgressOfStatus(int32_t status) {
  // A lost phone (0) has reached no step, so the bar that follows the steps is empty too.
  if (status == 0) return 0.0f;
  if (status >= 1 && status <= 17) return static_cast<float>(status) * 50.0f / 18.0f;
  if (status == 18) return 50.0f;
  if (status >= kLastTableStatus) return 100.0f;
  return std::nullopt;
}

std::optional<float> DownloadProgress(int64_t done, int64_t total) {
  if (total <= 0) return std::nullopt;
  const int64_t clamped = std::clamp<int64_t>(done, 0, total);
  return static_cast<float>(static_cast<double>(clamped) * 100.0 / static_cast<double>(total));
}

}  // namespace connect_status
