// The main dialog's help commands (F1=Help button, F1 key) and the Setup
// dialog: what is launched, what is read and written, and what the pickers ask.
#include "GuiFixture.h"

#include "composer/ToolProgram.h"
#include "help/HelpLaunch.h"
#include "help/qt/CSetupDlg.h"
#include "platform/Text.h"
#include "ui/ControlIds.h"

#include <QLineEdit>
#include <QRadioButton>

namespace tovel::testing {
namespace {

constexpr int kBrowserEdit = 1008;
constexpr int kIntroRadio = 1010;
constexpr int kDetailsRadio = 1011;
constexpr int kHelpPathEdit = 1012;
constexpr int kBrowseBrowser = 1058;
constexpr int kBrowseHelp = 1059;

using Launch = FakePlatform::Launch;

// want names the page by its path; the browser is handed it as a URL.
::testing::AssertionResult SameLaunch(const Launch& got, Launch want)
{
    if (want.hasParams && want.file != "notepad")
        want.params = PageUrl(want.params);
    if (got.file == want.file && got.params == want.params && got.hasParams == want.hasParams)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "launched (" << got.file << ", " << got.params << ", " << got.hasParams
                                         << ") instead of (" << want.file << ", " << want.params << ", "
                                         << want.hasParams << ")";
}

class HelpDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ASSERT_TRUE(m_helpDir.isValid());
        m_help = m_helpDir.path().toStdString() + "/";
    }

    bool IniExists() const { return std::filesystem::exists(Ini().Path()); }
    std::string Last(const char* key) const { return Ini().Read("Last", key, "<none>", 1000); }

    // Details mode with a browser and the temporary help folder.
    void DetailsMode(const std::string& helpPath)
    {
        EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
        EXPECT_TRUE(Ini().Write("Last", "Browser", "/usr/bin/browser"));
        EXPECT_TRUE(Ini().Write("Last", "Url", helpPath));
    }

    Launch IntroLaunch() const { return {"notepad", m_appPath + "Tovel.txt", true}; }
    Launch Page(const std::string& helpPath, const std::string& browser = "/usr/bin/browser") const
    {
        return {browser, helpPath + "tovel/TV_P.html", true};
    }

    // F1 pressed for real on the shown main dialog.
    void PressF1()
    {
        QTest::keyClick(m_dlg->focusWidget() ? m_dlg->focusWidget() : m_dlg.get(), Qt::Key_F1);
        QApplication::processEvents();
    }

    // Runs Setup from the main dialog, handing the initialised dialog to body.
    void RunSetup(const std::function<void(CSetupDlg&)>& body)
    {
        int runs = 0;
        CDialog::SetModalRunner([&](CDialog& box) {
            ++runs;
            auto* setup = qobject_cast<CSetupDlg*>(&box);
            ASSERT_NE(setup, nullptr);
            body(*setup);
            if (!setup->Ended())
                setup->SendCommand(IDCANCEL);
        });
        m_dlg->OnSetup();
        CDialog::SetModalRunner(nullptr);
        EXPECT_EQ(runs, 1);
    }

    static QLineEdit* Edit(CDialog& box, int id) { return qobject_cast<QLineEdit*>(box.GetDlgItem(id)); }
    static QRadioButton* Radio(CDialog& box, int id) { return qobject_cast<QRadioButton*>(box.GetDlgItem(id)); }
    static std::string Text(CDialog& box, int id) { return WindowTextBytes(box.GetDlgItem(id)); }
    static void SetText(CDialog& box, int id, const std::string& text) { SetWindowTextBytes(box.GetDlgItem(id), text); }

    static void ShowActiveBox(CDialog& box)
    {
        box.show();
        QApplication::setActiveWindow(&box);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    }

    QTemporaryDir m_helpDir;
    std::string m_help; // an existing folder, ending with '/'
};

// ---- Help launching from the main dialog ----

TEST_F(HelpDialogTest, WithoutSettingsEveryHelpCommandOpensTheIntroText)
{
    CCallWizardDlg& dlg = OpenDialog();
    ASSERT_FALSE(IniExists());
    dlg.SendCommand(IDC_HELP_BUTTON);
    EXPECT_TRUE(dlg.OnHelpInfo());
    ShowActive();
    PressF1();
    ASSERT_EQ(m_platform.launches.size(), 3u);
    for (const Launch& l : m_platform.launches)
        EXPECT_TRUE(SameLaunch(l, IntroLaunch()));
    EXPECT_FALSE(IniExists()) << "help only reads the settings";
}

TEST_F(HelpDialogTest, IntroValueChoosesBetweenIntroTextAndHtmlHelp)
{
    struct Row {
        const char* intro;
        bool introMode;
    };
    const Row rows[] = {
        {"Yes", true}, {"yes", true},   {"YES", true},   {"yEs", true}, {"No", false},
        {"no", false}, {"Yess", false}, {"true", false}, {"1", false},  {"", false},
    };
    WriteFileBytes(m_help + "tovel/TV_P.html", "<html></html>");
    CCallWizardDlg& dlg = OpenDialog();
    for (const Row& row : rows) {
        DetailsMode(m_help);
        ASSERT_TRUE(Ini().Write("Last", "Intro", row.intro));
        ASSERT_EQ(Last("Intro"), row.intro);
        m_platform.launches.clear();
        dlg.SendCommand(IDC_HELP_BUTTON);
        dlg.OnHelpInfo();
        ASSERT_EQ(m_platform.launches.size(), 2u) << row.intro;
        const Launch want = row.introMode ? IntroLaunch() : Page(m_help);
        EXPECT_TRUE(SameLaunch(m_platform.launches[0], want)) << "button, Intro=" << row.intro;
        EXPECT_TRUE(SameLaunch(m_platform.launches[1], want)) << "F1, Intro=" << row.intro;
    }
}

TEST_F(HelpDialogTest, ButtonFallsBackToHelpProgramWhileKeyAlwaysOpensThePage)
{
    struct Row {
        bool page;
        bool program;
        bool buttonStartsProgram;
    };
    const Row rows[] = {{true, true, false}, {true, false, false}, {false, true, true}, {false, false, false}};
    DetailsMode(m_help);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    for (const Row& row : rows) {
        std::filesystem::remove_all(m_help + "tovel");
        std::filesystem::remove(m_help + "TovelHelp.exe");
        if (row.page)
            WriteFileBytes(m_help + "tovel/TV_P.html", "<html></html>");
        if (row.program)
            WriteFileBytes(m_help + "TovelHelp.exe", "x");
        m_platform.launches.clear();
        dlg.SendCommand(IDC_HELP_BUTTON);
        EXPECT_TRUE(dlg.OnHelpInfo());
        PressF1();
        ASSERT_EQ(m_platform.launches.size(), 3u);
        const Launch button = row.buttonStartsProgram ? Launch{m_help + "TovelHelp.exe", "", false} : Page(m_help);
        const auto context = ::testing::Message() << "page " << row.page << ", program " << row.program;
        EXPECT_TRUE(SameLaunch(m_platform.launches[0], button)) << context;
        EXPECT_TRUE(SameLaunch(m_platform.launches[1], Page(m_help))) << context;
        EXPECT_TRUE(SameLaunch(m_platform.launches[2], Page(m_help))) << context;
    }
}

TEST_F(HelpDialogTest, MissingBrowserAndUrlUseDefaultBrowserAndProgramFolder)
{
    EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
    CCallWizardDlg& dlg = OpenDialog();
    dlg.SendCommand(IDC_HELP_BUTTON);
    dlg.OnHelpInfo();
    ASSERT_EQ(m_platform.launches.size(), 2u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], Page(m_appPath, "xdg-open")));
    EXPECT_TRUE(SameLaunch(m_platform.launches[1], Page(m_appPath, "xdg-open")));
}

TEST_F(HelpDialogTest, OnlyTheButtonTestsFiles)
{
    std::vector<std::string> tested;
    m_platform.fileExists = [&](const std::string& path) {
        tested.push_back(path);
        return false;
    };
    DetailsMode(m_help);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    tested.clear();
    EXPECT_TRUE(dlg.OnHelpInfo());
    PressF1();
    EXPECT_TRUE(tested.empty()) << tested.front();
    ASSERT_EQ(m_platform.launches.size(), 2u);

    dlg.SendCommand(IDC_HELP_BUTTON);
    EXPECT_EQ(tested, (std::vector<std::string>{m_help + "tovel/TV_P.html", m_help + "TovelHelp.exe"}));
}

TEST_F(HelpDialogTest, HelpPathWithoutTrailingSeparatorIsJoinedWithOne)
{
    const std::string bare = "/srv/help"; // as an edited settings file may hold it
    std::vector<std::string> tested;
    m_platform.fileExists = [&](const std::string& path) {
        tested.push_back(path);
        return path == "/srv/help/TovelHelp.exe";
    };
    DetailsMode(bare);
    CCallWizardDlg& dlg = OpenDialog();
    dlg.SendCommand(IDC_HELP_BUTTON);
    dlg.OnHelpInfo();
    EXPECT_EQ(tested, (std::vector<std::string>{"/srv/help/tovel/TV_P.html", "/srv/help/TovelHelp.exe"}));
    ASSERT_EQ(m_platform.launches.size(), 2u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], {"/srv/help/TovelHelp.exe", "", false}));
    EXPECT_TRUE(SameLaunch(m_platform.launches[1], Page("/srv/help/")));
}

TEST_F(HelpDialogTest, RelativeHelpPathIsTheProgramsFolderAndAHelpProgramElsewhereIsAskedFor)
{
    // Typed into Setup: saved from the program's folder, not the current one.
    CCallWizardDlg& dlg = OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        ShowActiveBox(box);
        QWidget* path = box.GetDlgItem(kHelpPathEdit);
        path->setFocus(Qt::MouseFocusReason);
        Edit(box, kHelpPathEdit)->clear();
        QTest::keyClicks(path, "help");
        QTest::keyClick(path, Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_EQ(Text(box, kHelpPathEdit), m_appPath + "help/");
        EXPECT_EQ(Last("Url"), m_appPath + "help/");
    });
    // A relative path edited into the file means the same folder; its help
    // program runs only after the question a library's programs ask.
    WriteFileBytes(m_appPath + "help/TovelHelp.exe", "x");
    WriteFileBytes(m_appPath + "TovelHelp.exe", "x");
    DetailsMode("help/");
    m_platform.SetNextChoice(kConsentCancel);
    dlg.SendCommand(IDC_HELP_BUTTON);
    ASSERT_EQ(m_platform.questions.size(), 1u);
    EXPECT_EQ(m_platform.questions[0].text, "Help wants to run the program below. Run programs from this folder?");
    EXPECT_EQ(m_platform.questions[0].program, m_appPath + "help/TovelHelp.exe");
    EXPECT_EQ(m_platform.questions[0].buttons, ToolConsentButtons());
    EXPECT_TRUE(m_platform.launches.empty());
    dlg.SendCommand(IDC_HELP_BUTTON); // Run
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], {m_appPath + "help/TovelHelp.exe", "", false}));
    // The one beside the program runs without a question.
    EXPECT_TRUE(Ini().Write("Last", "Url", m_appPath));
    dlg.SendCommand(IDC_HELP_BUTTON);
    EXPECT_EQ(m_platform.questions.size(), 2u);
    ASSERT_EQ(m_platform.launches.size(), 2u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[1], {m_appPath + "TovelHelp.exe", "", false}));
}

TEST_F(HelpDialogTest, ButtonAndSetupHideTheOptionListsButF1LeavesThem)
{
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    const QRect shownAt(20, 30, 100, 60);
    auto showLists = [&] {
        for (int k = 1; k <= 4; ++k)
            dlg.SetWindowPos(kOptionListId[static_cast<size_t>(k)], InsertAfter::None, shownAt.x(), shownAt.y(),
                             shownAt.width(), shownAt.height(), SWP_SHOWWINDOW | SWP_NOZORDER);
    };
    auto expectLists = [&](bool visible, const QRect& at, const char* after) {
        for (int k = 1; k <= 4; ++k) {
            QWidget* list = dlg.GetDlgItem(kOptionListId[static_cast<size_t>(k)]);
            EXPECT_EQ(list->isVisible(), visible) << after << ", list " << k;
            EXPECT_EQ(list->geometry(), at) << after << ", list " << k;
        }
    };
    const QRect parked(1, 1, 1, 1);

    showLists();
    dlg.OnHelpInfo();
    PressF1();
    expectLists(true, shownAt, "F1");

    dlg.SendCommand(IDC_HELP_BUTTON);
    expectLists(false, parked, "F1=Help");

    showLists();
    bool listsHiddenWhileSetupRuns = false;
    RunSetup([&](CSetupDlg&) {
        listsHiddenWhileSetupRuns = true;
        for (int k = 1; k <= 4; ++k)
            listsHiddenWhileSetupRuns &= !dlg.GetDlgItem(kOptionListId[static_cast<size_t>(k)])->isVisible();
    });
    EXPECT_TRUE(listsHiddenWhileSetupRuns);
    expectLists(false, parked, "Setup");
    EXPECT_EQ(m_platform.launches.size(), 3u);
}

// ---- The Setup dialog ----

TEST_F(HelpDialogTest, SetupWithoutSettingsShowsDefaultsAndCancelWritesNothing)
{
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Setup"));
        EXPECT_EQ(Text(box, kBrowserEdit), "xdg-open");
        EXPECT_EQ(Text(box, kHelpPathEdit), m_appPath);
        EXPECT_TRUE(Radio(box, kIntroRadio)->isChecked());
        EXPECT_FALSE(Radio(box, kDetailsRadio)->isChecked());
        EXPECT_EQ(Radio(box, kIntroRadio)->text(), QStringLiteral("&Intro"));
        EXPECT_EQ(box.focusWidget(), box.GetDlgItem(kBrowserEdit));
        SetText(box, kBrowserEdit, "/opt/changed");
        Radio(box, kDetailsRadio)->click();
        box.SendCommand(IDCANCEL);
        EXPECT_TRUE(box.Ended());
        EXPECT_EQ(box.Result(), IDCANCEL);
    });
    EXPECT_FALSE(IniExists());

    // OK without changes stores the defaults, with the intro mode it showed.
    RunSetup([&](CSetupDlg& box) { box.SendCommand(IDOK); });
    EXPECT_EQ(Last("Browser"), "xdg-open");
    EXPECT_EQ(Last("Url"), m_appPath);
    EXPECT_EQ(Last("Intro"), "Yes");
}

TEST_F(HelpDialogTest, SetupOkWritesTheEditedValues)
{
    struct Row {
        const char* storedIntro;
        int shownRadio;  // 1010 or 1011
        int pickedRadio; // what the user clicks before OK
        const char* writtenIntro;
    };
    const Row rows[] = {
        {"yes", kIntroRadio, kDetailsRadio, "No"},
        {"YES", kIntroRadio, kIntroRadio, "Yes"},
        {"No", kDetailsRadio, kIntroRadio, "Yes"},
        {"maybe", kDetailsRadio, kDetailsRadio, "No"},
    };
    OpenDialog();
    int n = 0;
    for (const Row& row : rows) {
        const std::string browser = "/opt/browser" + std::to_string(++n);
        const std::string url = "/srv/help" + std::to_string(n) + "/";
        EXPECT_TRUE(Ini().Write("Last", "Intro", row.storedIntro));
        RunSetup([&](CSetupDlg& box) {
            EXPECT_TRUE(Radio(box, row.shownRadio)->isChecked()) << row.storedIntro;
            EXPECT_FALSE(Radio(box, row.shownRadio == kIntroRadio ? kDetailsRadio : kIntroRadio)->isChecked());
            SetText(box, kBrowserEdit, browser);
            SetText(box, kHelpPathEdit, url);
            Radio(box, row.pickedRadio)->click();
            box.SendCommand(IDOK);
            EXPECT_EQ(box.Result(), IDOK);
        });
        EXPECT_EQ(Last("Browser"), browser);
        EXPECT_EQ(Last("Url"), url);
        EXPECT_EQ(Last("Intro"), row.writtenIntro) << row.storedIntro;
    }
    // An empty help path typed without leaving the edit names the program's folder.
    RunSetup([&](CSetupDlg& box) {
        SetText(box, kHelpPathEdit, "");
        box.SendCommand(IDOK);
    });
    EXPECT_EQ(Last("Url"), m_appPath);
}

TEST_F(HelpDialogTest, SetupCancelLeavesTheFileAsItWas)
{
    EXPECT_TRUE(Ini().Write("Last", "Browser", "/usr/bin/b"));
    EXPECT_TRUE(Ini().Write("Last", "Url", m_help));
    EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
    const std::string before = ReadFileBytes(Ini().Path());
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        EXPECT_EQ(Text(box, kBrowserEdit), "/usr/bin/b");
        EXPECT_EQ(Text(box, kHelpPathEdit), m_help);
        EXPECT_TRUE(Radio(box, kDetailsRadio)->isChecked());
        SetText(box, kBrowserEdit, "/x");
        SetText(box, kHelpPathEdit, "/y/");
        Radio(box, kIntroRadio)->click();
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_EQ(box.Result(), IDCANCEL);
    });
    EXPECT_EQ(ReadFileBytes(Ini().Path()), before);
    // The next opening shows the stored values again, not the cancelled ones.
    RunSetup([&](CSetupDlg& box) {
        EXPECT_EQ(Text(box, kBrowserEdit), "/usr/bin/b");
        EXPECT_EQ(Text(box, kHelpPathEdit), m_help);
        EXPECT_TRUE(Radio(box, kDetailsRadio)->isChecked());
    });
}

TEST_F(HelpDialogTest, LeavingTheHelpPathWritesItAtOnceAndCancelKeepsIt)
{
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        ShowActiveBox(box);
        QWidget* path = box.GetDlgItem(kHelpPathEdit);
        path->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(path->hasFocus());
        Edit(box, kHelpPathEdit)->selectAll();
        QTest::keyClicks(path, "/tmp/help");
        EXPECT_FALSE(IniExists()) << "typing alone writes nothing";
        QTest::keyClick(path, Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_FALSE(path->hasFocus());
        EXPECT_EQ(Text(box, kHelpPathEdit), "/tmp/help/");
        EXPECT_EQ(Last("Url"), "/tmp/help/");
        SetText(box, kBrowserEdit, "/opt/other");
        box.SendCommand(IDCANCEL);
    });
    EXPECT_EQ(Last("Url"), "/tmp/help/");
    EXPECT_EQ(Last("Browser"), "<none>");
    EXPECT_EQ(Last("Intro"), "<none>");
    // The next Setup opens on the written help path.
    RunSetup([&](CSetupDlg& box) { EXPECT_EQ(Text(box, kHelpPathEdit), "/tmp/help/"); });
}

TEST_F(HelpDialogTest, ClickingOkRightAfterTypingStoresTheCompletedHelpPath)
{
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        ShowActiveBox(box);
        QWidget* path = box.GetDlgItem(kHelpPathEdit);
        path->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        Edit(box, kHelpPathEdit)->clear();
        QTest::keyClicks(path, "/srv/typed");
        // The click takes the focus to OK first, so the help path is completed before OK pulls it.
        QTest::mouseClick(box.GetDlgItem(IDOK), Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_TRUE(box.Ended());
        EXPECT_EQ(box.Result(), IDOK);
    });
    EXPECT_EQ(Last("Url"), "/srv/typed/");
    EXPECT_EQ(Last("Intro"), "Yes");
}

TEST_F(HelpDialogTest, LongAndEightBitSettingsPassThroughUnchanged)
{
    // Values are read into 1000 bytes: 999 are seen.
    const std::string longBrowser = "/opt/" + std::string(1200, 'b');
    const std::string eightBit = "/srv/h\xE9lp\xFF/";
    EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
    EXPECT_TRUE(Ini().Write("Last", "Browser", longBrowser));
    EXPECT_TRUE(Ini().Write("Last", "Url", eightBit));
    CCallWizardDlg& dlg = OpenDialog();
    dlg.OnHelpInfo();
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], Page(eightBit, longBrowser.substr(0, 999))));

    m_platform.launches.clear();
    RunSetup([&](CSetupDlg& box) {
        EXPECT_EQ(Text(box, kBrowserEdit), longBrowser.substr(0, 999));
        EXPECT_EQ(Text(box, kHelpPathEdit), eightBit);
        SetText(box, kBrowserEdit, "/opt/br\xF6wser");
        box.OnHelpInfo();
        box.OnKillFocusHelpPath();
        box.SendCommand(IDOK);
    });
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], {"/opt/br\xF6wser", eightBit + "TVS_B.html", true}));
    EXPECT_EQ(Last("Browser"), "/opt/br\xF6wser");
    EXPECT_EQ(Last("Url"), eightBit);
}

TEST_F(HelpDialogTest, ClearedHelpPathBecomesASingleSeparator)
{
    struct Row {
        std::string typed;
        std::string stored;
    };
    const Row rows[] = {{"", "/"}, {"/a/b/", "/a/b/"}, {"rel", m_appPath + "rel/"}, {"/a//", "/a//"}};
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        for (const Row& row : rows) {
            SetText(box, kHelpPathEdit, row.typed);
            box.OnKillFocusHelpPath();
            EXPECT_EQ(Text(box, kHelpPathEdit), row.stored) << '"' << row.typed << '"';
            EXPECT_EQ(Last("Url"), row.stored) << '"' << row.typed << '"';
        }
        box.SendCommand(IDCANCEL);
    });
    EXPECT_EQ(Last("Url"), "/a//");
}

TEST_F(HelpDialogTest, F1InSetupFollowsTheSavedIntroAndTheUnsavedBrowser)
{
    OpenDialog();
    // No "Intro": intro mode, whatever the radio buttons say.
    RunSetup([&](CSetupDlg& box) {
        Radio(box, kDetailsRadio)->click();
        EXPECT_TRUE(box.OnHelpInfo());
    });
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], IntroLaunch()));

    // Details saved: the browser and help path now in the edits, page straight from the help path.
    // The main dialog is shown too, so a real F1 could reach either window.
    ShowActive();
    EXPECT_TRUE(Ini().Write("Last", "Intro", "no"));
    EXPECT_TRUE(Ini().Write("Last", "Browser", "/usr/bin/saved"));
    m_platform.launches.clear();
    RunSetup([&](CSetupDlg& box) {
        SetText(box, kBrowserEdit, "/opt/typed browser");
        SetText(box, kHelpPathEdit, "/docs/h");
        Radio(box, kIntroRadio)->click();
        EXPECT_TRUE(box.OnHelpInfo());
        SetText(box, kHelpPathEdit, "/docs/h/");
        ShowActiveBox(box);
        QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, Qt::Key_F1);
        QApplication::processEvents();
    });
    ASSERT_EQ(m_platform.launches.size(), 2u) << "F1 in Setup reaches only the Setup dialog";
    EXPECT_TRUE(SameLaunch(m_platform.launches[0], {"/opt/typed browser", "/docs/h/TVS_B.html", true}));
    EXPECT_TRUE(SameLaunch(m_platform.launches[1], {"/opt/typed browser", "/docs/h/TVS_B.html", true}));
    EXPECT_EQ(Last("Browser"), "/usr/bin/saved");
}

TEST_F(HelpDialogTest, BrowseForTheBrowser)
{
    struct Row {
        const char* browser;
        const char* folder;
        const char* preset; // nullptr: none
    };
    const Row rows[] = {
        {"xdg-open", "", "xdg-open"},
        {"/usr/bin/firefox", "/usr/bin/", "/usr/bin/firefox"},
        {"/usr/lib/browsers/", "/usr/lib/browsers/", nullptr},
        {"", "", nullptr},
        {"//server/share/b", "//server/share/", "//server/share/b"},
    };
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        for (const Row& row : rows) {
            m_platform.pickerRequests.clear();
            SetText(box, kBrowserEdit, row.browser);
            box.SendCommand(kBrowseBrowser);
            ASSERT_EQ(m_platform.pickerRequests.size(), 1u) << row.browser;
            const FilePickerRequest& r = m_platform.pickerRequests[0];
            EXPECT_EQ(r.title, "Select Browser");
            ASSERT_EQ(r.filters.size(), 2u);
            EXPECT_EQ(r.filters[0].description, "Browser(*.exe)");
            EXPECT_EQ(r.filters[0].pattern, "*.exe");
            EXPECT_EQ(r.filters[1].description, " All(*.*)");
            EXPECT_EQ(r.filters[1].pattern, "*.*");
            EXPECT_EQ(r.fileNameLabel, "&Library");
            EXPECT_EQ(r.acceptLabel, "&Select");
            EXPECT_EQ(r.initialFolder, row.folder) << row.browser;
            EXPECT_EQ(r.initialFileName, row.preset ? row.preset : "") << row.browser;
            EXPECT_EQ(Text(box, kBrowserEdit), row.browser) << "cancel keeps the field";
        }
        m_platform.SetNextFileName("/opt/picked/browser");
        box.SendCommand(kBrowseBrowser);
        EXPECT_EQ(Text(box, kBrowserEdit), "/opt/picked/browser");
        box.SendCommand(kBrowseBrowser); // cancelled
        EXPECT_EQ(Text(box, kBrowserEdit), "/opt/picked/browser");
        EXPECT_EQ(m_platform.pickerRequests.back().initialFolder, "/opt/picked/");
        EXPECT_FALSE(IniExists()) << "Browse writes nothing";
        box.SendCommand(IDOK);
    });
    EXPECT_EQ(Last("Browser"), "/opt/picked/browser");
}

TEST_F(HelpDialogTest, BrowseForTheHelpFolder)
{
    struct Row {
        const char* helpPath;
        const char* folder;
        const char* preset; // nullptr: none
    };
    const Row rows[] = {
        {"/docs/help/", "/docs/help/", nullptr},
        {"/docs/help", "/docs/help", "/docs/help/TV_P.html"},
        {"docs/help/", "/", nullptr},
        {"", "/", nullptr},
        {"//server/share/", "//server/share/", nullptr},
    };
    EXPECT_TRUE(Ini().Write("Last", "Url", "/stored/"));
    const std::string before = ReadFileBytes(Ini().Path());
    OpenDialog();
    RunSetup([&](CSetupDlg& box) {
        for (const Row& row : rows) {
            m_platform.pickerRequests.clear();
            SetText(box, kHelpPathEdit, row.helpPath);
            box.SendCommand(kBrowseHelp);
            ASSERT_EQ(m_platform.pickerRequests.size(), 1u) << row.helpPath;
            const FilePickerRequest& r = m_platform.pickerRequests[0];
            EXPECT_EQ(r.title, "Help Parent");
            ASSERT_EQ(r.filters.size(), 2u);
            EXPECT_EQ(r.filters[0].description, "Help(*.html)");
            EXPECT_EQ(r.filters[0].pattern, "*.html");
            EXPECT_EQ(r.filters[1].description, " All(*.*)");
            EXPECT_EQ(r.filters[1].pattern, "*.*");
            EXPECT_EQ(r.initialFolder, row.folder) << row.helpPath;
            EXPECT_EQ(r.initialFileName, row.preset ? row.preset : "") << row.helpPath;
            EXPECT_EQ(Text(box, kHelpPathEdit), row.helpPath) << "cancel keeps the field";
        }
        struct Pick {
            const char* picked;
            const char* helpPath;
        };
        const Pick picks[] = {
            {"/srv/pages/index.html", "/srv/pages/"},
            {"//server/share/help/TV_P.html", "//server/share/help/"},
            {"/top.html", "/"},
        };
        for (const Pick& p : picks) {
            m_platform.SetNextFileName(p.picked);
            box.SendCommand(kBrowseHelp);
            EXPECT_EQ(Text(box, kHelpPathEdit), p.helpPath) << p.picked;
        }
        EXPECT_EQ(ReadFileBytes(Ini().Path()), before) << "Browse writes nothing";
        box.SendCommand(IDCANCEL);
    });
    EXPECT_EQ(ReadFileBytes(Ini().Path()), before);
}

} // namespace
} // namespace tovel::testing
