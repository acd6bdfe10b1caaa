#include "modules/courier/BookOperations.h"

#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "modules/courier/BookLibrary.h"

namespace {

std::unique_ptr<MediaLibrary> NewBookLibrary() { return std::make_unique<BookLibrary>(); }

}  // namespace

const MediaServiceKind kBookServiceKind = {kKindBooks,
                                           kCourierDoEbook,
                                           kBookOpLoad,
                                           kBookOpAdd,
                                           kBookOpDelete,
                                           kBookNoticeCount,
                                           BookOperations::kFirstTaskId,
                                           L".books",
                                           L"Load books",
                                           L"Add books",
                                           L"Delete books",
                                           L"This phone keeps no books.",
                                           NewBookLibrary,
                                           MakeFileBatch,
                                           MakeFileItem,
                                           MakeGoneFile,
                                           ReadCheckedFiles,
                                           FreeCheckedFiles,
                                           nullptr};
