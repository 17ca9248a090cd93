#include "media/image/ColourProfile.h"

#include <lcms2.h>

#include <memory>

namespace media {

namespace {
struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDelete {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using Profile = std::unique_ptr<void, ProfileClose>;
using Transform = std::unique_ptr<void, TransformDelete>;
} // namespace

bool ConvertToSrgb(Image& picture, const std::vector<std::uint8_t>& icc)
{
    if (icc.empty() || picture.format == PixelFormat::Gray8 || picture.Empty())
        return false;
    const Profile source(cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return false;
    const Profile srgb(cmsCreate_sRGBProfile());
    const bool alpha = picture.format == PixelFormat::Rgba32;
    const cmsUInt32Number layout = alpha ? TYPE_RGBA_8 : TYPE_RGB_8;
    const Transform transform(cmsCreateTransform(source.get(), layout, srgb.get(), layout, INTENT_PERCEPTUAL,
                                                 alpha ? cmsFLAGS_COPY_ALPHA : 0));
    if (!srgb || !transform)
        return false;
    if (picture.format == PixelFormat::Indexed) {
        const Transform rgb(cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
        if (!rgb)
            return false;
        cmsDoTransform(rgb.get(), picture.palette.data(), picture.palette.data(), cmsUInt32Number(picture.palette.size()));
        return true;
    }
    for (int y = 0; y < picture.height; ++y)
        cmsDoTransform(transform.get(), picture.Row(y), picture.Row(y), cmsUInt32Number(picture.width));
    return true;
}

} // namespace media
