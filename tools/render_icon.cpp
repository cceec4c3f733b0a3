// Writes the application icon (resource 128) as PNG files for the desktop:
// <folder>/16x16/velmora.png and <folder>/32x32/velmora.png, from the
// same 16-colour images the windows show. The build runs it for the
// install rules.
//
//   build/tools/render_icon <output-folder>

#include <QDir>
#include <QImage>
#include <cstdio>
#include <string>

#include "framework/Resources.h"
#include "res/Resources.h"
#include "res/resource.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icon <output-folder>\n");
        return 2;
    }
    AfxSetResourceTables(&VelmoraResources());
    HICON icon = AfxLoadIcon(IDR_MAINFRAME);
    if (!icon || icon->images.empty()) {
        std::fprintf(stderr, "render_icon: no icon %u\n", IDR_MAINFRAME);
        return 1;
    }
    for (const IconImage& image : icon->images) {
        QImage picture(image.size, image.size, QImage::Format_ARGB32);
        for (int y = 0; y < image.size; ++y) {
            for (int x = 0; x < image.size; ++x) {
                const char digit = image.pixels[static_cast<std::size_t>(y * image.size + x)];
                const int index = digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10;
                picture.setPixel(x, y, index >= 0 && static_cast<std::size_t>(index) < image.palette.size()
                                           ? image.palette[static_cast<std::size_t>(index)]
                                           : 0u);
            }
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[1])).arg(image.size);
        const QString path = folder + QStringLiteral("/velmora.png");
        if (!QDir().mkpath(folder) || !picture.save(path, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
