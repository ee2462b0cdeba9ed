// tovel-cli and the dialog on the same libraries: the function list, the
// source block, the parameter panel and the call text must agree.
#include "GuiFixture.h"

#include "../cli_test_support.h"
#include "assist/Routine.h"
#include "cli/Cli.h"
#include "ui/ControlIds.h"

#include <QLineEdit>

#ifndef _WIN32 // runs the program through POSIX process calls

namespace tovel::testing {
namespace {

using clitest::Json;

class CliAgreementTest : public GuiTest {
protected:
    cli::ProcessResult Cli(std::vector<std::string> args)
    {
        cli::ProcessResult run = clitest::RunProgram(TOVEL_CLI_PATH, std::move(args));
        EXPECT_TRUE(run.started) << run.problem;
        return run;
    }

    // The CLI's standard output when it succeeds, without its final line end.
    std::string CliLine(std::vector<std::string> args)
    {
        const cli::ProcessResult run = Cli(args);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::string out = run.out;
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    Json Params(const std::string& library, const std::string& prototype)
    {
        const cli::ProcessResult run = Cli({"params", "--json", "-l", library, prototype});
        EXPECT_EQ(run.exitStatus, 0) << prototype << "\n" << run.err;
        Json json;
        std::string error;
        EXPECT_TRUE(clitest::JsonReader(run.out).Read(json, error)) << error;
        return json;
    }

    void OpenOn(const std::string& library)
    {
        RegisterLibrary(library);
        OpenDialog();
        ShowActive();
    }

    std::string Copy()
    {
        m_platform.clipboard.reset();
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_COPY), Qt::LeftButton);
        QApplication::processEvents();
        return m_platform.clipboard.value_or("<nothing copied>");
    }

    // Every routine of the library, chosen in the dialog and asked of the CLI.
    void ExpectAgreementOn(const std::string& library)
    {
        OpenOn(library);
        CCallWizardDlg& dlg = *m_dlg;
        ChooseFunction(0);
        const std::vector<std::string> items = dlg.m_cbFunction->Items();
        ASSERT_FALSE(items.empty());
        const cli::ProcessResult list = Cli({"list", library});
        ASSERT_EQ(list.exitStatus, 0);
        std::string expectedList;
        for (const std::string& item : items)
            expectedList += cli::ListLine(item) + "\n";
        EXPECT_EQ(list.out, expectedList);

        for (int i = 0; i < static_cast<int>(items.size()); ++i) {
            // A duplicate of the routine just chosen keeps its panel and values; the CLI names both alike.
            if (i > 0 && items[static_cast<size_t>(i)] == items[static_cast<size_t>(i) - 1])
                continue;
            ChooseFunction(i);
            const std::string prototype = cli::ListLine(items[static_cast<size_t>(i)]);
            SCOPED_TRACE(prototype);
            EXPECT_EQ(Cli({"show", "-l", library, prototype}).out, dlg.m_strSource);

            const Json json = Params(library, prototype);
            EXPECT_EQ(json["type"].text, dlg.m_strType);
            EXPECT_EQ(json["function"].text, dlg.m_strFunction);
            ASSERT_EQ(json["slots"].items.size(), static_cast<size_t>(dlg.m_nParams));
            for (size_t k = 1; k <= json["slots"].items.size(); ++k) {
                const Json& slot = json["slots"][k - 1];
                EXPECT_EQ(slot["name"].text, dlg.m_strParmn[k]);
                EXPECT_EQ(slot["hint"].text, dlg.m_strHint[k]);
                const bool choice = slot["kind"].text == "choice";
                EXPECT_EQ(choice, !dlg.m_cbParam[k]->isHidden()) << k;
                EXPECT_EQ(!choice, !dlg.m_edParam[k]->isHidden()) << k;
                if (choice) {
                    std::vector<std::string> offered;
                    for (const Json& item : slot["items"].items)
                        offered.push_back(item.text);
                    EXPECT_EQ(offered, dlg.m_cbParam[k]->Items()) << k;
                }
            }

            // The untouched panel, then one value in every slot.
            EXPECT_EQ(CliLine({"call", "--presets", "-l", library, prototype}), Copy());
            std::vector<std::string> args = {"call", "-l", library, prototype};
            for (size_t k = 1; k <= static_cast<size_t>(dlg.m_nParams); ++k) {
                if (!dlg.m_cbParam[k]->isHidden()) {
                    // Picked from the list, as the user does.
                    ComboBox* combo = dlg.m_cbParam[k];
                    const int last = combo->GetCount() - 1;
                    combo->showPopup();
                    combo->setCurrentIndex(last);
                    combo->hidePopup();
                    QApplication::processEvents();
                    args.push_back(combo->GetLBText(last));
                } else {
                    const std::string value = "v" + std::to_string(k * 3);
                    dlg.m_edParam[k]->setText(QString::fromStdString(value));
                    args.push_back(value);
                }
            }
            EXPECT_EQ(CliLine(args), Copy());
        }
    }
};

TEST_F(CliAgreementTest, SampleAssemblerLibrary)
{
    ExpectAgreementOn(std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79");
}

TEST_F(CliAgreementTest, SampleHeaderLibrary)
{
    ExpectAgreementOn(std::string(TOVEL_COMPANION_DIR) + "/Dev4410Hdr/dev4410.h");
}

TEST_F(CliAgreementTest, LibraryWithDuplicatesMixedCaseAndOddHints)
{
    const std::string text = "; C Function prototype:int zeta(char *s, int n)\r\n"
                             "; *s:{}\r\n; n:{1-9}\r\n\tEND\r\n"
                             "@ C Function prototype: int Alpha(int a, int b, int c, int d, int e)\n"
                             "@ a:{x,,y}\n@ b:{P|Q|}\n@ c:{Tool.exe}\n@\td : {0x0-0xF}\n\tEND\n"
                             "; C Function prototype: int alpha2(void)\n\tEND\n"
                             "; C Function prototype: int Beta(int)  ; no name\n\tENDMOD\n"
                             "; C Function prototype: int Alpha(int a, int b, int c, int d, int e)\n\tEND\n";
    ExpectAgreementOn(MakeLibrary("odd.s79", text));
}

TEST_F(CliAgreementTest, TypedComboTextRangeMessagesAndToolCommand)
{
    const std::string library = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";
    OpenOn(library);
    CCallWizardDlg& dlg = *m_dlg;
    ChooseFunction(0);
    const std::vector<std::string> items = dlg.m_cbFunction->Items();
    auto choose = [&](const std::string& prototype) {
        const auto at = std::find(items.begin(), items.end(), prototype);
        ASSERT_NE(at, items.end()) << prototype;
        ChooseFunction(static_cast<int>(at - items.begin()));
    };

    // A choice typed in another letter case selects the item.
    choose("void AdcSetup(char ref, unsigned char clkdiv)");
    ComboBox* combo = dlg.m_cbParam[1];
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("adc_int"));
    EXPECT_EQ(Copy(), CliLine({"call", "--presets", library, "AdcSetup", "adc_int"}));
    EXPECT_EQ(CliLine({"call", library, "AdcSetup", "adc_int", "8"}), "AdcSetup(ADC_INT,8)");

    // The same value gives the same range message.
    choose("void PwmSetDuty(char channel, int duty)");
    for (const char* value : {"150", "-1", "100", "0x64", "abc"}) {
        m_platform.messages.clear();
        dlg.m_edParam[2]->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        dlg.m_edParam[2]->setText(QString::fromLatin1(value));
        dlg.GetDlgItem(IDC_SHOW)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        const cli::ProcessResult run = Cli({"call", library, "PwmSetDuty", "0", value});
        if (m_platform.messages.empty()) {
            EXPECT_EQ(run.exitStatus, 0) << value;
            EXPECT_EQ(run.err, "") << value;
        } else {
            EXPECT_EQ(run.exitStatus, 1) << value;
            EXPECT_EQ(run.err, m_platform.messages[0].text + "\n") << value;
        }
        EXPECT_EQ(run.out, Copy() + "\n") << value;
    }

    // The tool command that focusing the slot runs.
    choose("void UartInit(char port, unsigned int divisor, unsigned char mode)");
    dlg.m_edParam[2]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(m_platform.runs.size(), 1u);
    EXPECT_EQ(Params(library, "UartInit")["slots"][1]["tool"].text, m_platform.runs[0]);
}

// A hand-edited, unsorted section whose last library is gone: both start on
// the first library in the list's sorted order, not the file's first.
TEST_F(CliAgreementTest, BothStartOnTheSameLibraryWhenTheLastIsGone)
{
    const std::string zeta = MakeLibrary("zeta.s79", "; C Function prototype: int Z(void)\n");
    const std::string alpha = MakeLibrary("Alpha.s79", "; C Function prototype: int A(void)\n");
    RegisterLibrary(zeta, false);
    RegisterLibrary(alpha, false);
    ASSERT_TRUE(Ini().Write("Last", "Library", Path("gone.s79")));
    const cli::DefaultLibrary cliChoice = cli::ResolveDefaultLibrary(Path("Tovel.ini"));

    OpenDialog();
    const int sel = m_dlg->m_cbLibrary->GetCurSel();
    ASSERT_GE(sel, 0);
    EXPECT_EQ(m_dlg->m_cbLibrary->GetLBText(sel), alpha);
    EXPECT_EQ(cliChoice.path, alpha);
}

} // namespace
} // namespace tovel::testing

#endif
