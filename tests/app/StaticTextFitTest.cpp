// Static texts whose letters reach below their template row grow into the
// free space below them, and only there.

#include <gtest/gtest.h>

#include "framework/qt/StaticTextFit.h"
#include "testkit/MainWindow.h"

namespace {

int Height(CWnd* control) {
    CRect rect;
    control->GetWindowRect(&rect);
    return rect.Height();
}

int RowHeight(const CDialog& dlg, int dialogUnits) {
    CRect row{0, 0, 0, dialogUnits};
    dlg.MapDialogRect(&row);
    return row.Height();
}

TEST(StaticTextFit, DescendersGetTheFreeRoomBelowTheirRow) {
    // English texts in the Korean system font: NanumGothicCoding's "g", "y"
    // and parentheses hang below its 13-pixel line.
    LanguageScope language(false, LANG_ID_KOREAN);
    TestMainWindow w;
    const int row = RowHeight(w.dlg, 8);
    EXPECT_GT(Height(w.Item(IDC_STATIC_DATA_LENGTH)), row);  // "Data Length"
    EXPECT_GT(Height(w.Item(IDC_STATIC_BYTES)), row);        // "Byte(s)"
    // A label with descenders that stands on a field keeps its row: the
    // field takes the space below it.
    w.SetText(IDC_STATIC_REMOTE_IP, "Gateway (IPv4)");
    w.SetText(IDC_STATIC_RECV_COUNT, "Bytes (payload)");
    FitStaticTexts(&w.dlg);
    EXPECT_EQ(Height(w.Item(IDC_STATIC_REMOTE_IP)), row);
    EXPECT_GT(Height(w.Item(IDC_STATIC_RECV_COUNT)), row);
}

TEST(StaticTextFit, LettersThatFitKeepTheTemplateRow) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope language(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        TestMainWindow w;
        // Liberation Mono's letters and the Korean captions fit 8 units.
        for (int id : {IDC_STATIC_DATA_LENGTH, IDC_STATIC_RECV_COUNT, IDC_STATIC_REMOTE_PORT}) {
            EXPECT_EQ(Height(w.Item(id)), RowHeight(w.dlg, 8)) << id;
        }
    }
}

}  // namespace
