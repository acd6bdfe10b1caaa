// What a connection status code of the device service means for the wizard: the page it shows,
// the steps it has reached and how far the progress bar stands.
#pragma once

#include <cstdint>
#include <optional>

namespace connect_status {

constexpr int32_t kLastTableStatus = 22;  // the phone is ready
constexpr int32_t kDriverProgressStatus = 6;
constexpr int32_t kDriverLinkStatus = 4;
constexpr int32_t kClearTextStatus = 9;

// Which of the three steps ("1.Detect Device", "2.Connect Device", "3.Device Ready") are reached.
struct StepMarks {
  bool detect = false;
  bool connect = false;
  bool ready = false;

  bool operator==(const StepMarks& other) const {
    return detect == other.detect && connect == other.connect && ready == other.ready;
  }
  int Bits() const { return (detect ? 1 : 0) | (connect ? 2 : 0) | (ready ? 4 : 0); }
};

// The wizard page of a status; 0 for codes outside the table, which leave the page alone.
int PageOfStatus(int32_t status);
// Codes above the table count as ready; negative codes reach nothing.
StepMarks StepMarksOfStatus(int32_t status);
// The bar in percent, or nothing where the status does not move it (19 to 21, negative codes).
std::optional<float> ProgressOfStatus(int32_t status);
// The driver download's share in percent; nothing while the total is unknown.
std::optional<float> DownloadProgress(int64_t done, int64_t total);

}  // namespace connect_status
