// Renders the main window and the About box offscreen to PNG files, in
// English and in Korean, and prints the layout figures that matter (base
// units, the panes' width in character cells). main-panes.png shows the
// panes at work: a receive pane of several pages filled read by read, and a
// send pane scrolled and edited with the keyboard.
//
//   QT_QPA_PLATFORM=offscreen build/render_windows [output-folder]

#include <cstdio>
#include <string>

#include "app/AboutDlg.h"
#include "app/LinkDlg.h"
#include "framework/Locale.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "framework/testing/EventPump.h"
#include "framework/testing/InputSimulation.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "testkit/LinkDlgProbe.h"

namespace {

class RenderApp : public CWinApp {
public:
    explicit RenderApp(std::string folder) : CWinApp("velmora"), m_folder(std::move(folder)) {}

    bool InitInstance() override {
        SetResourceTables(&VelmoraResources());
        Render(false, LANG_ID_ENGLISH_US, "en");
        Render(true, LANG_ID_KOREAN, "ko");
        RenderPanes();
        return false;
    }

private:
    void Render(bool koreanUi, LANGID langId, const char* suffix) {
        OverrideUserInterfaceKorean(koreanUi);
        OverrideSystemDefaultLangID(langId);
        {
            CLinkDlg dlg;
            dlg.Create();
            PumpMessages();
            Save(dlg, "main", suffix);
            const CPoint base = dlg.BaseUnits();
            CRect pane;
            CHexView& sendView = ControlOf<CHexView>(dlg, IDC_SEND_PANE);
            sendView.GetClientRect(&pane);
            std::printf("%s: base units %d x %d, pane %d px wide, font %s, cell %d px\n", suffix,
                        base.x, base.y, pane.Width(), sendView.GetFont()->ActualFamily().c_str(),
                        sendView.GetFont()->CellWidth());
            dlg.DestroyWindow();
        }
        {
            CAboutDlg about;
            about.Create();
            PumpMessages();
            Save(about, "about", suffix);
            about.DestroyWindow();
        }
    }

    void RenderPanes() {
        OverrideUserInterfaceKorean(false);
        OverrideSystemDefaultLangID(LANG_ID_ENGLISH_US);
        CLinkDlg dlg;
        dlg.Create();
        PumpMessages();
        CHexView& recv = ControlOf<CHexView>(dlg, IDC_RECV_PANE);

        // Received: 45 reads of a short request-and-reply exchange.
        const std::string exchange =
            "GET /status HTTP/1.0\r\nHost: 10.1.0.1\r\n\r\n"
            "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK\x00\x01\x02\xfe\xff";
        for (int read = 0; read < 45; ++read) {
            recv.AppendData(static_cast<std::int64_t>(exchange.size()),
                            reinterpret_cast<const BYTE*>(exchange.data()));
        }
        dlg.ShowReceiveCount(recv.m_nLength);

        // To send: 40 lines of text, scrolled down two lines, then a few
        // bytes typed in hex and a word typed in the character column.
        std::string block;
        while (block.size() < 640) block += "The quick brown fox jumps over the lazy dog. ";
        block.resize(640);
        CHexView& send = ControlOf<CHexView>(dlg, IDC_SEND_PANE);
        send.SetData(static_cast<std::int64_t>(block.size()),
                     reinterpret_cast<const BYTE*>(block.data()));
        send.ScrollBarRequest(SB_THUMBPOSITION, 2);
        send.SetSel(3 * 77 + 10, 3 * 77 + 10);
        SimulateTyping(&send, "deadbeef");
        SimulateKey(&send, VK_DOWN);
        SimulateKey(&send, VK_TAB, "\t");
        SimulateTyping(&send, "Velmora");
        PumpMessages();
        Save(dlg, "main", "panes");
        dlg.DestroyWindow();
        OverrideUserInterfaceKorean(std::nullopt);
        OverrideSystemDefaultLangID(std::nullopt);
    }

    void Save(CWnd& wnd, const char* name, const char* suffix) {
        const std::string path = m_folder + "/" + name + "-" + suffix + ".png";
        std::printf("%s %s\n", SaveWindowImage(&wnd, path.c_str()) ? "wrote" : "FAILED",
                    path.c_str());
    }

    std::string m_folder;
};

}  // namespace

int main(int argc, char** argv) {
    RenderApp app(argc > 1 ? argv[1] : ".");
    char* qtArgv[] = {argv[0], nullptr};
    return AfxWinMain(1, qtArgv);
}
