// Renders the main window and the About box offscreen to PNG files, in
// English and in Korean, and prints the layout figures that matter (base
// units, the panes' width in character cells).
//
//   QT_QPA_PLATFORM=offscreen build/render_windows [output-folder]

#include <cstdio>
#include <string>

#include "app/AboutDlg.h"
#include "app/LinkDlg.h"
#include "framework/EventLoop.h"
#include "framework/InputSimulation.h"
#include "framework/Locale.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "res/Resources.h"

namespace {

class RenderApp : public CWinApp {
public:
    explicit RenderApp(std::string folder) : CWinApp("velmora"), m_folder(std::move(folder)) {}

    bool InitInstance() override {
        AfxSetResourceTables(&VelmoraResources());
        Render(false, LANG_ID_ENGLISH_US, "en");
        Render(true, LANG_ID_KOREAN, "ko");
        return false;
    }

private:
    void Render(bool koreanUi, LANGID langId, const char* suffix) {
        AfxOverrideUserInterfaceKorean(koreanUi);
        AfxOverrideSystemDefaultLangID(langId);
        {
            CLinkDlg dlg;
            dlg.Create();
            AfxPumpMessages();
            Save(dlg, "main", suffix);
            const CPoint base = dlg.BaseUnits();
            CRect pane;
            dlg.GetDlgItem(IDC_SEND_PANE)->GetClientRect(&pane);
            std::printf("%s: base units %d x %d, pane %d px wide, font %s, cell %d px\n", suffix, base.x,
                        base.y, pane.Width(), dlg.m_sendView.GetFont()->ActualFamily().c_str(),
                        dlg.m_sendView.GetFont()->CellWidth());
            dlg.DestroyWindow();
        }
        {
            CAboutDlg about;
            about.Create();
            AfxPumpMessages();
            Save(about, "about", suffix);
            about.DestroyWindow();
        }
    }

    void Save(CWnd& wnd, const char* name, const char* suffix) {
        const std::string path = m_folder + "/" + name + "-" + suffix + ".png";
        std::printf("%s %s\n", AfxSaveWindowImage(&wnd, path.c_str()) ? "wrote" : "FAILED", path.c_str());
    }

    std::string m_folder;
};

}  // namespace

int main(int argc, char** argv) {
    RenderApp app(argc > 1 ? argv[1] : ".");
    char* qtArgv[] = {argv[0], nullptr};
    return AfxWinMain(1, qtArgv);
}
