// The Chinese texts under the Qt renderer (off screen): every text of the
// language tables and of the serial settings dialog is drawn with real
// glyphs of the window's font or its fallbacks, never with the missing-glyph
// box. With VARNEL_SCREENSHOT_DIR set, the windows are saved there as PNG.
#include <QApplication>
#include <QFont>
#include <QGlyphRun>
#include <QPixmap>
#include <QString>
#include <QTextLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/application.h"
#include "app/instances.h"
#include "app/language_tables.h"
#include "app/language_texts.h"
#include "app/shell_fixture.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "radio/mform.h"
#include "serial/app_lang.h"
#include "serial_dialog/settings_dialog.h"
#include "toolkit/application.h"
#include "toolkit_qt/qt_backend.h"

namespace varnel::test {
namespace {

namespace fs = std::filesystem;

// The text when `font` (with its fallbacks) draws any of its characters as
// the missing-glyph box (glyph 0); empty when all of them have glyphs.
std::string MissingGlyphs(const QFont& font, const std::string& text)
{
    QTextLayout layout(QString::fromStdString(text), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (const quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0)
                return text;
        }
    }
    return {};
}

class LanguageGuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int number = 1; number <= 3; ++number) {
            ends.push_back(std::make_unique<PtyEnd>());
            fs::create_symlink(ends.back()->slavePath(), roots.portDir() / ("COM" + std::to_string(number)));
        }
        std::ofstream(roots.configDir() / "Config.ini") << "[Language]\nvalue=1\n[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n";
        ::setenv("VARNEL_PORT_DIR", roots.portDir().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    void TearDown() override { ::unsetenv("VARNEL_PORT_DIR"); }

    // With VARNEL_SCREENSHOT_DIR set, saves the form as <name>.png there.
    static void Screenshot(tk::QtBackend& qt, tk::Form& form, const std::string& name)
    {
        const char* directory = std::getenv("VARNEL_SCREENSHOT_DIR");
        if (directory == nullptr || *directory == '\0')
            return;
        if (QWidget* widget = qt.widgetFor(form))
            widget->window()->grab().save(QString::fromStdString((fs::path(directory) / (name + ".png")).string()));
    }

    // Every Chinese text of the table is drawable with the window's font.
    static void ExpectDrawable(tk::QtBackend& qt, tk::Form& form, std::span<const language::ControlText> table)
    {
        QWidget* window = qt.widgetFor(form);
        ASSERT_NE(window, nullptr) << form.name();
        for (const language::ControlText& row : table)
            EXPECT_EQ(MissingGlyphs(window->font(), std::string(row.chinese)), "") << form.name() << " " << row.control;
    }

    ProgramRoots roots;
    std::vector<std::unique_ptr<PtyEnd>> ends;
};

TEST_F(LanguageGuiTest, ChineseWindowsDrawEveryCharacter)
{
    int argc = 1;
    char name[] = "language_gui_tests";
    char* argv[] = {name, nullptr};
    tk::QtBackend qt(argc, argv);
    tk::Application toolkit(qt);

    app::ApplicationOptions options;
    options.settingsDirectory = roots.configDir();
    options.versionFile = VersionProbe("3.8.1");
    options.portSystem = roots.systemRoots();
    app::Application application(options);
    ASSERT_EQ(LanguageIndex, LanguageChinese);

    const struct {
        tk::Form* form;
        std::span<const language::ControlText> table;
        const char* shot;
    } windows[] = {{MForm, language::MainWindowTexts(), "main-window-zh"},
                   {Modem, language::ModemWindowTexts(), "modem-window-zh"},
                   {PortForm, language::PortDialogTexts(), "port-dialog-zh"},
                   {ModemComPort, language::TwoPortDialogTexts(), "two-port-dialog-zh"},
                   {AboutBox, language::AboutBoxTexts(), "about-window-zh"}};
    for (const auto& window : windows) {
        window.form->show();
        qt.processEvents();
        ExpectDrawable(qt, *window.form, window.table);
        Screenshot(qt, *window.form, window.shot);
        window.form->hide();
        qt.processEvents();
    }

    MForm->show();
    qt.processEvents();
    // The check itself sees a box where there is one.
    ASSERT_NE(MissingGlyphs(qt.widgetFor(*MForm)->font(), "\U0010FFFD"), "");
    for (const std::string& text : {LanguageTexts.TextCantConnect, LanguageTexts.TextTimeout,
                                    LanguageTexts.TextCheckPort, LanguageTexts.TextEmptyInput})
        EXPECT_EQ(MissingGlyphs(qt.widgetFor(*MForm)->font(), text), "");
}

TEST_F(LanguageGuiTest, SettingsDialogDrawsBothChineseTables)
{
    int argc = 1;
    char name[] = "language_gui_tests";
    char* argv[] = {name, nullptr};
    tk::QtBackend qt(argc, argv);
    tk::Application toolkit(qt);
    tk::Form owner("Owner", {0, 0, 200, 100});
    TQzCommDevice device(qt);
    device.fSetPort(1);

    const int saved = THalvikFuncs::AppLang().LangType;
    for (const int lang : {THalvikFuncs::TAppLang::ltSimplifiedChinese, THalvikFuncs::TAppLang::ltTraditionalChinese}) {
        THalvikFuncs::AppLang().LangType = lang;
        TForm_QzCommDevice_Settings dialog(&owner, false, device);
        dialog.show();
        qt.processEvents();
        QWidget* window = qt.widgetFor(dialog);
        ASSERT_NE(window, nullptr);
        for (int index = 0; index <= 35; ++index)
            EXPECT_EQ(MissingGlyphs(window->font(), std::string(SettingsDialogText(index, lang))), "") << index;
        Screenshot(qt, dialog, lang == THalvikFuncs::TAppLang::ltSimplifiedChinese ? "settings-dialog-zh-cn"
                                                                                   : "settings-dialog-zh-tw");
        dialog.hide();
        qt.processEvents();
    }
    THalvikFuncs::AppLang().LangType = saved;
}

}  // namespace
}  // namespace varnel::test
