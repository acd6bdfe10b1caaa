#include "modules/courier/PhotoLibrary.h"

#include "modules/courier/formats/ImageCheck.h"

namespace {

MediaCheck CheckPicture(const std::filesystem::path& file) {
  const ImageCheck image = CheckImageFile(file);
  MediaCheck check;
  check.extension = ExtensionOfFormat(image.format);
  check.sizeBytes = image.sizeBytes;
  check.width = image.width;
  check.height = image.height;
  check.problem = image.problem;
  return check;
}

std::vector<DemoMediaFile> DemoPictures(const DemoPhone& phone) {
  std::vector<DemoMediaFile> files;
  for (const DemoPhoto& photo : phone.photos) {
    DemoMediaFile file;
    file.identifier = photo.identifier;
    file.name = photo.name;
    file.format = photo.format;
    file.phonePath = photo.phonePath;
    file.album = photo.album;
    file.dateCreated = photo.dateCreated;
    file.file = photo.file;
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

const MediaKindRules kPhotoRules = {L"photos.json",       "photos",    L"photos", L"/storage/emulated/0/Pictures/",
                                    L"Pictures",          L"Picture",  L"IMG_",   CheckPicture,
                                    IsImageFileExtension, DemoPictures};
