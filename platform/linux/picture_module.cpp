// The entry of palavrino-picture.so: JPEG decoding with libjpeg linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace {
const palavrino::platform::PictureModuleRec PICTURE_TABLE {
    &palavrino::platform::DecodeJpegFile,
};
} // namespace

PL_MODULE_ENTRY(picture, palavrino::platform::PictureModuleRec, PICTURE_TABLE)
