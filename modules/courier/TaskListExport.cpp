#include "modules/courier/TaskListExport.h"

#include <system_error>

#include "modules/courier/DemoData.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

const char* StateText(int32_t state) {
  switch (state) {
    case kTaskRunning:
      return "Running";
    case kTaskFinished:
      return "Finished";
    case kTaskFailed:
      return "Failed";
    case kTaskCancelled:
      return "Cancelled";
    default:
      return "";
  }
}

std::string Field(const std::wstring& text) {
  const std::string utf8 = WideToUtf8(text);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string TaskListCsv(const TaskEntryList& tasks) {
  std::string csv = "\xEF\xBB\xBFPhone,Task,Done,Of,Failed,State,Folder,Message\r\n";
  for (const TaskEntry& task : tasks) {
    csv += Field(task.phone.empty() ? task.identifier : task.phone) + ',' + Field(task.title) + ',' +
           std::to_string(task.position) + ',' + std::to_string(task.total) + ',' + std::to_string(task.failed) + ',' +
           StateText(task.state) + ',' + Field(task.folder) + ',' + Field(task.message) + "\r\n";
  }
  return csv;
}

std::filesystem::path WriteTaskList(const TaskEntryList& tasks, const std::wstring& folder, std::wstring& error) {
  std::error_code code;
  if (folder.empty() || !std::filesystem::is_directory(std::filesystem::path(folder), code)) {
    error = L"The folder " + folder + L" is not there.";
    return {};
  }
  const std::string csv = TaskListCsv(tasks);
  // A file that takes the chosen name while this one is written sends it to the next free name.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::filesystem::path path = UniqueExportPath(std::filesystem::path(folder), L"Tasks", L".csv");
    SafeFileWriter file(path, SafeFileWriter::Replace::kNever);
    if (file.Open() && file.Write(csv) && file.Commit()) return path;
    if (!file.TargetExisted()) {
      error = L"Cannot write " + path.wstring() + L": " + WideFromUtf8(file.Error());
      return {};
    }
  }
  error = L"Cannot find a free file name in " + folder;
  return {};
}
