// Writes the application icon (resource 128) as PNG files for the desktop:
// <folder>/16x16/velmora.png and <folder>/32x32/velmora.png, from the
// same 16-colour images the windows show. The build runs it for the
// install rules.
//
//   build/tools/render_icon <output-folder>

#include <cstdio>
#include <filesystem>
#include <string>

#include "framework/Resources.h"
#include "framework/testing/InputSimulation.h"
#include "res/Resources.h"
#include "res/resource.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icon <output-folder>\n");
        return 2;
    }
    SetResourceTables(&VelmoraResources());
    HICON icon = LoadIcon(IDR_MAINFRAME);
    if (!icon || icon->images.empty()) {
        std::fprintf(stderr, "render_icon: no icon %u\n", IDR_MAINFRAME);
        return 1;
    }
    for (const IconImage& image : icon->images) {
        const std::string size = std::to_string(image.size);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / (size + "x" + size);
        const std::filesystem::path path = folder / "velmora.png";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error || !SaveIconImage(icon, image.size, path.c_str())) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
