#pragma once
// A main window made for a test: English texts and fonts unless a language
// scope says otherwise, scripted prompts, created modeless and destroyed at
// the end of the test. Helpers reach its controls the way the user does.

#include <memory>
#include <string>

#include "app/LinkDlg.h"
#include "framework/testing/EventPump.h"
#include "framework/testing/InputSimulation.h"
#include "res/resource.h"
#include "testkit/LanguageScope.h"
#include "testkit/LinkDlgProbe.h"
#include "testkit/ScriptedPrompts.h"

class TestMainWindow {
public:
    TestMainWindow() {
        dlg.Create();
        PumpMessages();
    }
    ~TestMainWindow() { dlg.DestroyWindow(); }
    TestMainWindow(const TestMainWindow&) = delete;
    TestMainWindow& operator=(const TestMainWindow&) = delete;

    [[nodiscard]] CWnd* Item(int id) { return dlg.GetDlgItem(id); }
    [[nodiscard]] std::string Text(int id) { return Item(id)->GetWindowText(); }
    [[nodiscard]] bool Enabled(int id) { return Item(id)->IsWindowEnabled(); }
    void SetText(int id, const std::string& text) { Item(id)->SetWindowText(text); }
    // A click on a button, as the user makes it.
    void Click(int id) {
        if (auto* button = dynamic_cast<CButton*>(Item(id))) button->Click();
    }
    // A control of the window as its own class; throws for a wrong id or class.
    template <class Control>
    [[nodiscard]] Control& Get(int id) {
        return ControlOf<Control>(dlg, id);
    }
    [[nodiscard]] CHexView& SendPane() { return Get<CHexView>(IDC_SEND_PANE); }
    [[nodiscard]] CHexView& RecvPane() { return Get<CHexView>(IDC_RECV_PANE); }
    // The user's choice of a connection mode in the combo box.
    void ChooseMode(int mode) { Get<CComboBox>(IDC_MODE).SelectByUser(mode); }

    [[nodiscard]] int State() const { return LinkDlgProbe::State(dlg); }
    [[nodiscard]] bool TelnetActive() const { return LinkDlgProbe::TelnetActive(dlg); }
    [[nodiscard]] SOCKET DataHandle() const { return LinkDlgProbe::DataHandle(dlg); }
    [[nodiscard]] SOCKET ListenHandle() const { return LinkDlgProbe::ListenHandle(dlg); }
    [[nodiscard]] CTelnetDlg& Telnet() { return LinkDlgProbe::TelnetWindow(dlg); }
    void Key(int id, UINT vk, const std::string& text = {}) { SimulateKey(Item(id), vk, text); }

    CLinkDlg dlg;
};
