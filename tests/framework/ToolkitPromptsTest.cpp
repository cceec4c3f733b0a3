// The toolkit's own message boxes and file dialog, as the prompts seam
// shows them: their texts in the user-interface language, the answers
// they return, and the default extension with its replace question.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTreeView>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/Prompts.h"
#include "framework/qt/ToolkitTranslations.h"
#include "framework/qt/WindowSystem.h"
#include "framework/testing/EventPump.h"
#include "testkit/LanguageScope.h"
#include "testkit/TempDir.h"

// Test output in the texts' own letters.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The language for the texts and for the toolkit's own, restored to
// English afterwards.
class ToolkitLanguage {
public:
    explicit ToolkitLanguage(bool korean)
        : m_scope(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US) {
        m_loaded = LoadToolkitTranslations();
    }
    ~ToolkitLanguage() {
        OverrideUserInterfaceKorean(false);
        LoadToolkitTranslations();
    }
    [[nodiscard]] bool Loaded() const { return m_loaded; }

private:
    LanguageScope m_scope;
    bool m_loaded = false;
};

// Runs `step` on each modal window the toolkit shows next, in order.
void OnNextModals(std::vector<std::function<void(QWidget*)>> steps) {
    if (steps.empty()) return;
    PostCall([steps = std::move(steps)]() mutable {
        QWidget* modal = nullptr;
        PumpUntil([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 2000);
        if (!modal) {
            ADD_FAILURE() << "no modal window";
            return;
        }
        auto step = std::move(steps.front());
        steps.erase(steps.begin());
        OnNextModals(std::move(steps));
        step(modal);
    });
}

std::vector<QString> ButtonTexts(QWidget* window) {
    std::vector<QString> texts;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(window) && !button->text().isEmpty())
            texts.push_back(button->text());
    }
    return texts;
}

void Click(QWidget* window, const QString& text) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    std::string shown;
    for (const QString& t : ButtonTexts(window)) shown += " [" + ToUtf8(t) + "]";
    ADD_FAILURE() << "no button " << ToUtf8(text) << " among" << shown;
    if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->reject();
}

// A text with a Latin letter in it, once "(&N)" style mnemonics are gone.
bool HasLatinLetter(QString text) {
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    return text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

// Every text the file dialog shows of its own: labels, buttons, tips, the
// list's column titles (not the names of files and folders, nor filters).
std::vector<QString> FileDialogTexts(QFileDialog* dialog) {
    std::vector<QString> texts = ButtonTexts(dialog);
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->isVisibleTo(dialog)) texts.push_back(label->text());
    }
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (widget->isVisibleTo(dialog) && !widget->toolTip().isEmpty())
            texts.push_back(widget->toolTip());
    }
    for (QTreeView* view : dialog->findChildren<QTreeView*>()) {
        if (!view->isVisibleTo(dialog) || !view->model()) continue;
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            texts.push_back(view->model()->headerData(column, Qt::Horizontal).toString());
        }
    }
    texts.push_back(dialog->windowTitle());
    return texts;
}

FileDialogRequest SaveRequest(const std::string& folder) {
    FileDialogRequest request;
    request.kind = FileDialogKind::SaveAs;
    request.title = "\xEC\xA0\x80\xEC\x9E\xA5\xED\x95\x98\xEA\xB8\xB0";  // 저장하기
    request.initialPath = folder + "/*.bin";
    request.filters = {{"*.bin", "*.bin"}, {"*.*", "*.*"}};
    request.defaultExtension = "bin";
    request.overwritePrompt = true;
    return request;
}

void TypeFileName(QWidget* modal, const QString& name) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(name);
    // The dialog's own accept, as its Save button runs it.
    static_cast<QDialog*>(dialog)->accept();
}

TEST(ToolkitPrompts, MessageBoxButtonsSpeakTheInterfaceLanguage) {
    struct Row {
        bool korean;
        std::vector<QString> yesNo;
        QString ok;
    };
    const Row rows[] = {
        {false, {QStringLiteral("&Yes"), QStringLiteral("&No")}, QStringLiteral("OK")},
        {true, {QStringLiteral("예(&Y)"), QStringLiteral("아니요(&N)")}, QStringLiteral("확인")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.korean ? "korean" : "english");
        ToolkitLanguage language(row.korean);
        ASSERT_TRUE(language.Loaded());
        std::vector<QString> shown;
        OnNextModals({[&](QWidget* box) {
            shown = ButtonTexts(box);
            Click(box, row.yesNo[1]);
        }});
        EXPECT_EQ(UserPrompts().MessageBox(nullptr, "?", "Velmora", MB_YESNO | MB_ICONEXCLAMATION),
                  IDNO);
        std::sort(shown.begin(), shown.end());
        std::vector<QString> expected = row.yesNo;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected);

        OnNextModals({[&](QWidget* box) {
            shown = ButtonTexts(box);
            Click(box, row.ok);
        }});
        EXPECT_EQ(UserPrompts().MessageBox(nullptr, "!", "Velmora", MB_OK), IDOK);
        EXPECT_EQ(shown, std::vector<QString>{row.ok});
    }
}

TEST(ToolkitPrompts, FileDialogShowsNoEnglishInTheKoreanInterface) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        ToolkitLanguage language(korean);
        ASSERT_TRUE(language.Loaded());
        TempDir folder;
        std::vector<QString> latin;
        std::size_t count = 0;
        OnNextModals({[&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            const std::vector<QString> texts = FileDialogTexts(dialog);
            count = texts.size();
            for (const QString& text : texts) {
                if (HasLatinLetter(text)) latin.push_back(text);
            }
            dialog->reject();
        }});
        EXPECT_FALSE(UserPrompts().FileDialog(nullptr, SaveRequest(folder / "")));
        EXPECT_GT(count, 10u);
        if (korean) {
            EXPECT_EQ(latin, std::vector<QString>{});
        } else {
            // The same look finds the English texts.
            EXPECT_GT(latin.size(), count / 2);
        }
    }
}

TEST(ToolkitPrompts, DefaultExtensionIsAddedAndAReplacedFileConfirmed) {
    ToolkitLanguage language(false);
    TempDir folder;
    std::ofstream(folder / "report.bin") << "old";
    const FileDialogRequest request = SaveRequest(folder / "");

    // A new name gets the extension without a question.
    OnNextModals({[](QWidget* dialog) { TypeFileName(dialog, QStringLiteral("fresh")); }});
    auto chosen = UserPrompts().FileDialog(nullptr, request);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, folder / "fresh.bin");
    EXPECT_EQ(chosen->filterIndex, 1);

    // "report" is report.bin, which exists: No shows the dialog again with
    // the full name, Yes takes it.
    QString question;
    QString nameShownAgain;
    OnNextModals({[](QWidget* dialog) { TypeFileName(dialog, QStringLiteral("report")); },
                  [&](QWidget* box) {
                      question = qobject_cast<QMessageBox*>(box)
                                     ? qobject_cast<QMessageBox*>(box)->text()
                                     : "";
                      Click(box, QStringLiteral("&No"));
                  },
                  [&](QWidget* dialog) {
                      auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                      nameShownAgain = field ? field->text() : QString();
                      TypeFileName(dialog, QStringLiteral("report"));
                  },
                  [](QWidget* box) { Click(box, QStringLiteral("&Yes")); }});
    chosen = UserPrompts().FileDialog(nullptr, request);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, folder / "report.bin");
    EXPECT_EQ(ToUtf8(question), "report.bin already exists.\nDo you want to replace it?");
    EXPECT_EQ(ToUtf8(nameShownAgain), "report.bin");

    // A name with an extension of its own keeps it; an Open dialog never asks.
    OnNextModals({[](QWidget* dialog) { TypeFileName(dialog, QStringLiteral("notes.txt")); }});
    chosen = UserPrompts().FileDialog(nullptr, request);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, folder / "notes.txt");
    FileDialogRequest open = request;
    open.kind = FileDialogKind::Open;
    OnNextModals({[](QWidget* dialog) { TypeFileName(dialog, QStringLiteral("report")); }});
    chosen = UserPrompts().FileDialog(nullptr, open);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, folder / "report.bin");
}

}  // namespace
