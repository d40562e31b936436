// JPEG pictures as the program sees them: palavrino-picture.so decodes them,
// loaded at the first JPEG shown. Without it a JPEG cannot be decoded, as a
// damaged one cannot.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

JpegStatus DecodeJpegFile(const std::string& path, DecodedJpeg& out)
{
    const PictureModuleRec* picture = LoadModuleTable<PictureModuleRec>("picture");
    return picture ? picture->decode_jpeg_file(path, out) : JpegStatus::Invalid;
}

} // namespace palavrino::platform
