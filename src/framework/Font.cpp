#include "framework/Font.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <cmath>

#include "framework/qt/Utf8Text.h"

namespace {

struct FaceSubstitute {
    std::string_view requested;
    std::string_view installed;
};

// Faces the program asks for and the installed faces that match their metrics.
constexpr FaceSubstitute kSubstitutes[] = {
    {"Courier New", "Liberation Mono"},
    {"\xEA\xB5\xB4\xEB\xA6\xBC\xEC\xB2\xB4", "NanumGothicCoding"},  // 굴림체
};

constexpr int kPixelsPerInch = 96;

}  // namespace

CFont::CFont() = default;
CFont::~CFont() = default;

std::string CFont::MapFaceName(std::string_view faceName) {
    for (const FaceSubstitute& substitute : kSubstitutes) {
        if (substitute.requested == faceName) return std::string(substitute.installed);
    }
    return std::string(faceName);
}

bool CFont::CreateFont(int nHeight, int, int, int, int nWeight, BYTE bItalic, BYTE bUnderline,
                       BYTE cStrikeOut, BYTE, BYTE, BYTE, BYTE, BYTE, std::string_view faceName) {
    auto font = std::make_unique<QFont>(FromUtf8(MapFaceName(faceName)));
    font->setStyleHint(QFont::TypeWriter);
    // Whole-pixel glyph advances, as the classic window system lays text out.
    font->setHintingPreference(QFont::PreferFullHinting);
    font->setWeight(nWeight >= 600 ? QFont::Bold : QFont::Normal);
    font->setItalic(bItalic != 0);
    font->setUnderline(bUnderline != 0);
    font->setStrikeOut(cStrikeOut != 0);
    if (nHeight < 0) {
        // A negative height is the character height: the em size.
        font->setPixelSize(-nHeight);
    } else {
        // A positive height is the cell height: the largest size whose
        // ascent plus descent fits in it.
        const int cell = nHeight > 0 ? nHeight : 16;
        int size = cell;
        font->setPixelSize(size);
        while (size > 1 && QFontMetrics(*font).height() > cell) font->setPixelSize(--size);
    }
    m_pFont = std::move(font);
    m_nHeight = nHeight;
    m_strFace.assign(faceName);
    return true;
}

bool CFont::CreatePointFont(int pointSize, std::string_view faceName) {
    const int pixels = static_cast<int>(std::lround(pointSize * kPixelsPerInch / 72.0));
    return CreateFont(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, faceName);
}

std::string CFont::ActualFamily() const {
    return m_pFont ? ToUtf8(QFontInfo(*m_pFont).family()) : std::string();
}

TEXTMETRIC CFont::GetTextMetrics() const {
    TEXTMETRIC metrics;
    if (!m_pFont) return metrics;
    QFontMetrics fm(*m_pFont);
    QFontMetricsF fmf(*m_pFont);
    metrics.tmHeight = fm.height();
    metrics.tmAscent = fm.ascent();
    metrics.tmDescent = fm.descent();
    metrics.tmInternalLeading = std::max(0, fm.height() - m_pFont->pixelSize());
    metrics.tmExternalLeading = std::max(0, fm.leading());
    metrics.tmAveCharWidth = static_cast<int>(std::lround(fmf.averageCharWidth()));
    metrics.tmMaxCharWidth = fm.maxWidth();
    return metrics;
}

int CFont::CellWidth() const {
    if (!m_pFont) return 0;
    return static_cast<int>(std::lround(QFontMetricsF(*m_pFont).horizontalAdvance(u'0')));
}
