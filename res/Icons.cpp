#include "res/resource.h"

namespace {

// The program's icon in every size the desktop asks for, built into the
// program as Qt resources (res/CMakeLists.txt), so the windows carry it
// wherever the program runs from.
constexpr const char* kMainFrameImages[] = {
    ":/kelvor/icons/16x16/kelvor.png",   ":/kelvor/icons/22x22/kelvor.png",
    ":/kelvor/icons/24x24/kelvor.png",   ":/kelvor/icons/32x32/kelvor.png",
    ":/kelvor/icons/48x48/kelvor.png",   ":/kelvor/icons/64x64/kelvor.png",
    ":/kelvor/icons/128x128/kelvor.png", ":/kelvor/icons/256x256/kelvor.png",
};

} // namespace

std::span<const char* const> LoadIconImages(UINT nID)
{
    if (nID == IDR_MAINFRAME)
        return kMainFrameImages;
    return {};
}
