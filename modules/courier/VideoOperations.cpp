#include "modules/courier/VideoOperations.h"

#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "modules/courier/VideoLibrary.h"

namespace {

std::unique_ptr<MediaLibrary> NewVideoLibrary() { return std::make_unique<VideoLibrary>(); }

}  // namespace

const MediaServiceKind kVideoServiceKind = {kKindVideos,
                                            kCourierDoVideo,
                                            kVideoOpLoad,
                                            kVideoOpAdd,
                                            kVideoOpDelete,
                                            kVideoNoticeCount,
                                            VideoOperations::kFirstTaskId,
                                            L".videos",
                                            L"Load videos",
                                            L"Add videos",
                                            L"Delete videos",
                                            L"This phone keeps no videos.",
                                            NewVideoLibrary,
                                            MakeFileBatch,
                                            MakeFileItem,
                                            MakeGoneFile,
                                            ReadCheckedFiles,
                                            FreeCheckedFiles,
                                            nullptr};

void VideoOperations::AfterChange(Job& job) { m_jobs.Notify(job, kVideoNoticeJobEnded, nullptr); }
