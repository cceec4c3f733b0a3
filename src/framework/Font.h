#pragma once
// CFont: a font created from the classic description (height, weight,
// character set, face). A positive height selects by cell height (ascent
// plus descent), a negative one by character height. A face that is not
// installed maps to a metric-compatible one ("Courier New" to Liberation
// Mono, "굴림체" to NanumGothicCoding).

#include <memory>
#include <string>
#include <string_view>

#include "framework/WinDef.h"

class QFont;

struct TEXTMETRIC {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    bool CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily,
                    std::string_view faceName);
    // A font of `pointSize` points at the platform's 96 pixels per inch.
    bool CreatePointFont(int pointSize, std::string_view faceName);

    [[nodiscard]] bool IsCreated() const { return m_pFont != nullptr; }
    [[nodiscard]] int RequestedHeight() const { return m_nHeight; }
    [[nodiscard]] const std::string& RequestedFace() const { return m_strFace; }
    // The installed family actually used.
    [[nodiscard]] std::string ActualFamily() const;
    // Whole-pixel metrics, as the window system reports them.
    [[nodiscard]] TEXTMETRIC GetTextMetrics() const;
    // The advance of one character cell of a fixed-pitch font, in whole pixels.
    [[nodiscard]] int CellWidth() const;

    [[nodiscard]] const QFont& Font() const { return *m_pFont; }

    // The installed family that stands in for a face name.
    [[nodiscard]] static std::string MapFaceName(std::string_view faceName);

private:
    std::unique_ptr<QFont> m_pFont;
    int m_nHeight = 0;
    std::string m_strFace;
};
