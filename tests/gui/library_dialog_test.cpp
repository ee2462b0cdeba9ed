// The library list, the scanner and the source view, driven through the main
// dialog with the recording platform.
#include "GuiFixture.h"

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "library/LibraryList.h"
#include "platform/ByteTextView.h"
#include "platform/Text.h"
#include "ui/ControlIds.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tovel::testing {
namespace {

using namespace std::string_literals;

// An assembler library with CR LF line ends: three routines, a label and an
// operand that merely contain "END", tabs everywhere.
const char* const kAsmLibrary = "\tNAME\tDemo\r\n"
                                "; C Function prototype: long Zap(long z)\r\n"
                                "\tRET\r\n"
                                "\tENDMOD\r\n"
                                "; C Function prototype: int Add(int a, int b)\r\n"
                                "; a:{0,1,2}\r\n"
                                "; b:{}\r\n"
                                "Add:\tLD\tW4,W5\r\n"
                                "SENDBYTE\tCALL\tAPPEND\r\n"
                                "\tRET\r\n"
                                "\tENDMOD\tAdd\r\n"
                                "; C Function prototype: char Get(char port)\r\n"
                                "\tIN\tR8,[R8]\r\n"
                                "\tEND\r\n"
                                "; after the last routine\r\n";

// The library as the view shows it whole: tabs expanded to 4-column stops.
const char* const kAsmLibraryShown = "    NAME    Demo\r\n"
                                     "; C Function prototype: long Zap(long z)\r\n"
                                     "    RET\r\n"
                                     "    ENDMOD\r\n"
                                     "; C Function prototype: int Add(int a, int b)\r\n"
                                     "; a:{0,1,2}\r\n"
                                     "; b:{}\r\n"
                                     "Add:    LD  W4,W5\r\n"
                                     "SENDBYTE    CALL    APPEND\r\n"
                                     "    RET\r\n"
                                     "    ENDMOD  Add\r\n"
                                     "; C Function prototype: char Get(char port)\r\n"
                                     "    IN  R8,[R8]\r\n"
                                     "    END\r\n"
                                     "; after the last routine\r\n";

// Source blocks: the closing line has each tab as one blank.
const char* const kAddBlock = "; C Function prototype: int Add(int a, int b)\r\n"
                              "; a:{0,1,2}\r\n"
                              "; b:{}\r\n"
                              "Add:    LD  W4,W5\r\n"
                              "SENDBYTE    CALL    APPEND\r\n"
                              "    RET\r\n"
                              " ENDMOD Add\r\n";
const char* const kGetBlock = "; C Function prototype: char Get(char port)\r\n"
                              "    IN  R8,[R8]\r\n"
                              " END\r\n";
const char* const kZapBlock = "; C Function prototype: long Zap(long z)\r\n"
                              "    RET\r\n"
                              " ENDMOD\r\n";

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class LibraryDialogTest : public GuiTest {
protected:
    std::string View() const { return m_dlg->GetDlgItemText(IDC_SOURCE); }
    std::vector<std::string> Functions() const { return m_dlg->m_cbFunction->Items(); }
    std::vector<std::string> Libraries() const { return m_dlg->m_cbLibrary->Items(); }
    std::string SelectedLibrary() const { return m_dlg->m_cbLibrary->GetLBText(m_dlg->m_cbLibrary->GetCurSel()); }
    std::string Label(int id) const { return m_dlg->GetDlgItemText(id); }
    std::string Choice() const { return Ini().Read("Last", "Choice", "", 10000); }
    std::string LastLibrary() const { return Ini().Read(setting::kLibrary); }
    std::vector<std::string> Registered() const { return Ini().KeyNames("Libraries"); }
    std::string IniBytes() const { return ReadFileBytes(Path("Tovel.ini")); }

    // Opens the library list, picks item index and closes it, as the user does.
    void ChooseLibrary(int index)
    {
        ComboBox* combo = m_dlg->m_cbLibrary;
        combo->showPopup();
        combo->setCurrentIndex(index);
        combo->hidePopup();
        QTest::qWait(0);
        QApplication::processEvents();
    }

    // Opens a combo's list and closes it again without picking anything.
    void OpenAndClose(ComboBox* combo)
    {
        combo->showPopup();
        combo->hidePopup();
        QTest::qWait(0);
        QApplication::processEvents();
    }

    // A registered library that is current, and the dialog started on it.
    std::string StartOn(const std::string& name, const std::string& text)
    {
        const std::string lib = MakeLibrary(name, text);
        RegisterLibrary(lib);
        OpenDialog();
        return lib;
    }
};

// ---- Scanner ----

TEST_F(LibraryDialogTest, ScanSortsIgnoringCaseKeepsDuplicatesAndRestoresTheChoice)
{
    const std::string lib = MakeLibrary("sort.s79",
                                        "; C Function prototype: int beta(int b)\n"
                                        "@ C Function prototype: INT Gamma(int g)\n"
                                        "; C Function prototype: char zed(char z)\n"
                                        "; C Function prototype: int alpha(int a)\n"
                                        "; C Function prototype: int beta(int b)\n");
    CCallWizardDlg& dlg = OpenDialog();
    EXPECT_TRUE(Ini().Write("Last", "Choice", "int GAMMA(INT G)"));

    EXPECT_EQ(dlg.ScanLibrary(lib), 5);
    const std::vector<std::string> sorted = {"char zed(char z)", "int alpha(int a)", "int beta(int b)",
                                             "int beta(int b)", "INT Gamma(int g)"};
    EXPECT_EQ(Functions(), sorted);
    EXPECT_EQ(dlg.m_cbFunction->GetCurSel(), 4);
    EXPECT_EQ(dlg.m_nFunction, 4);           // the scan ends with a pull
    EXPECT_EQ(Choice(), "int GAMMA(INT G)"); // found: not rewritten
    EXPECT_TRUE(View().empty());             // the scan leaves the view alone

    // A remembered choice that is not listed falls back to the first item and is replaced.
    EXPECT_TRUE(Ini().Write("Last", "Choice", "int gone(int x)"));
    EXPECT_EQ(dlg.ScanLibrary(lib), 1);
    EXPECT_EQ(dlg.m_cbFunction->GetCurSel(), 0);
    EXPECT_EQ(Choice(), "char zed(char z)");

    // A library without any listed routine: empty list, nothing selected, choice kept.
    const std::string none = MakeLibrary("none.s79", "; C Function prototype: f()\n\tRET\n");
    EXPECT_EQ(dlg.ScanLibrary(none), 0);
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(dlg.m_cbFunction->GetCurSel(), -1);
    EXPECT_EQ(Choice(), "char zed(char z)");
    EXPECT_TRUE(m_platform.messages.empty());
}

TEST_F(LibraryDialogTest, UnreadableLibraryIsReportedAndEmptiesTheList)
{
    const std::string good = MakeLibrary("good.s79", "; C Function prototype: int f1(int a)\n");
    std::filesystem::create_directories(Path("folder.s79"));
    CCallWizardDlg& dlg = OpenDialog();
    EXPECT_TRUE(Ini().Write("Last", "Choice", "keep me"));

    for (const std::string& path : {Path("missing.s79"), Path("folder.s79")}) {
        ASSERT_EQ(dlg.ScanLibrary(good), 1);
        EXPECT_TRUE(Ini().Write("Last", "Choice", "keep me"));
        m_platform.messages.clear();

        EXPECT_EQ(dlg.ScanLibrary(path), 0) << path;
        ASSERT_EQ(m_platform.messages.size(), 1u) << path;
        EXPECT_EQ(m_platform.messages[0].text,
                  "Library " + path + " source file not available.\nFix using Library Combobox.");
        EXPECT_EQ(m_platform.messages[0].style, 0x40u);
        EXPECT_TRUE(Functions().empty()) << path;
        EXPECT_EQ(dlg.m_nFunction, -1);
        EXPECT_EQ(Choice(), "keep me") << path;
    }

    // An empty path: no message, nothing listed.
    m_platform.messages.clear();
    EXPECT_EQ(dlg.ScanLibrary(""), 0);
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_TRUE(Functions().empty());
}

TEST_F(LibraryDialogTest, OddFilesScanByTheLineRules)
{
    CCallWizardDlg& dlg = OpenDialog();

    // LF and CR LF line ends give the same list.
    const std::string lf = "; C Function prototype: int Read(char port)\n"
                           "\tRET\n"
                           "; C Function prototype:char Peek(int a)  ; trailing remark\n"
                           " ; C Function prototype: int Indented(int i)\n";
    std::string crlf = lf;
    ReplaceAll(crlf, "\n", "\r\n");
    const std::vector<std::string> expected = {"char Peek(int a)", "int Read(char port)"};
    ASSERT_EQ(dlg.ScanLibrary(MakeLibrary("lf.s79", lf)), 1);
    EXPECT_EQ(Functions(), expected);
    ASSERT_EQ(dlg.ScanLibrary(MakeLibrary("crlf.s79", crlf)), 1);
    EXPECT_EQ(Functions(), expected);

    // One physical line of 600 bytes is read as pieces of 255, 255 and 90
    // bytes: each piece that starts with a marker is a prototype line.
    auto pad = [](std::string text, size_t size) {
        text.resize(size, 'x');
        return text;
    };
    const std::string longLine = pad("; C Function prototype: int One(int a)", 255)
        + pad("; C Function prototype: int Two(int b)", 255) + pad("; C Function prototype: int Three(int c)", 89)
        + "\n";
    ASSERT_EQ(longLine.size(), 600u);
    EXPECT_EQ(dlg.ScanLibrary(MakeLibrary("long.s79", longLine)), 1);
    EXPECT_EQ(Functions(), (std::vector<std::string>{"int One(int a)", "int Three(int c)", "int Two(int b)"}));

    // A NUL cuts its line; a line that starts with NUL ends the scan.
    const std::string nul = "; C Function prototype: int Before(int a)\n"s
        + "; C Function prototype: int Cut(in\0t a)\n"s + "\0; C Function prototype: int Hidden(int h)\n"s
        + "; C Function prototype: int After(int a)\n"s;
    EXPECT_EQ(dlg.ScanLibrary(MakeLibrary("nul.s79", nul)), 1);
    EXPECT_EQ(Functions(), std::vector<std::string>{"int Before(int a)"});

    // Bytes 0x80-0xFF pass unchanged into the list and into the remembered choice.
    const std::string high = "int Gr\xFC\xDF"
                             "e(char \xE9t\xE9)";
    EXPECT_TRUE(Ini().Write("Last", "Choice", ""));
    EXPECT_EQ(dlg.ScanLibrary(MakeLibrary("high.s79", "; C Function prototype: " + high + "\r\n")), 1);
    ASSERT_EQ(Functions().size(), 1u);
    EXPECT_EQ(dlg.m_cbFunction->GetLBText(0), high);
    EXPECT_EQ(Choice(), high);
    EXPECT_TRUE(m_platform.messages.empty());
}

// ---- Add ----

TEST_F(LibraryDialogTest, AddPickerStartsFromTheProgramFolderOrTheCurrentLibrary)
{
    CCallWizardDlg& dlg = OpenDialog();
    dlg.SetWindowPos(1054, InsertAfter::None, 100, 100, 50, 50, SWP_SHOWWINDOW | SWP_NOZORDER);
    const std::string before = IniBytes();

    dlg.SendCommand(IDC_ADD); // no file scripted: the picker is cancelled
    ASSERT_EQ(m_platform.pickerRequests.size(), 1u);
    const FilePickerRequest& r = m_platform.pickerRequests[0];
    EXPECT_EQ(r.title, "Select Library Source");
    ASSERT_EQ(r.filters.size(), 3u);
    const std::pair<const char*, const char*> filters[] = {
        {" Header(*.h)", "*.h"}, {" Library(*.s)", "*.s"}, {" All(*.*)", "*.*"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.filters[i].description, filters[i].first) << i;
        EXPECT_EQ(r.filters[i].pattern, filters[i].second) << i;
    }
    EXPECT_EQ(r.fileNameLabel, "&Library");
    EXPECT_EQ(r.acceptLabel, "&Select");
    EXPECT_EQ(r.initialFolder, m_appPath);
    EXPECT_EQ(r.initialFileName, "LibDev4410.s79");

    // Cancel changes nothing, and the option lists stay hidden.
    EXPECT_TRUE(Libraries().empty());
    EXPECT_EQ(dlg.m_cbLibrary->GetCurSel(), -1);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_TRUE(dlg.GetDlgItem(1054)->isHidden());

    // With a library selected the picker opens on its folder with its name.
    const std::string lib = MakeLibrary("libs/cur.s79", kAsmLibrary);
    RegisterLibrary(lib);
    OpenDialog();
    ASSERT_EQ(SelectedLibrary(), lib);
    m_platform.pickerRequests.clear();
    m_dlg->SendCommand(IDC_ADD);
    ASSERT_EQ(m_platform.pickerRequests.size(), 1u);
    EXPECT_EQ(m_platform.pickerRequests[0].initialFolder, Path("libs/"));
    EXPECT_EQ(m_platform.pickerRequests[0].initialFolder + m_platform.pickerRequests[0].initialFileName, lib);
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
}

TEST_F(LibraryDialogTest, AddListsSelectsRegistersAndShowsThePickedLibrary)
{
    const std::string old = StartOn("old.s79", "; C Function prototype: int Old(int o)\n\tEND\n");
    const std::string lib = MakeLibrary("picked.s79", kAsmLibrary);
    ShowActive();
    ChooseFunction(0); // the function list holds something before the Add
    ASSERT_FALSE(Functions().empty());

    m_platform.SetNextFileName(lib);
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_EQ(Libraries(), (std::vector<std::string>{old, lib}));
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(m_dlg->m_nLibrary, 1);
    EXPECT_EQ(Ini().Read("Libraries", lib, "", 100), "Yes");
    EXPECT_EQ(LastLibrary(), lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
    // The view shows the field's own buffer, not a copy of it.
    EXPECT_EQ(m_dlg->m_edSource->Text().get(), &m_dlg->m_strSource.str());
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(m_dlg->m_cbFunction->GetCurSel(), -1);
    EXPECT_TRUE(m_platform.messages.empty());

    // Adding a listed library again shows it twice; the file keeps one key.
    m_platform.SetNextFileName(lib);
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_EQ(Libraries(), (std::vector<std::string>{old, lib, lib}));
    const std::vector<std::string> keys = Registered();
    EXPECT_EQ(std::count(keys.begin(), keys.end(), lib), 1);
    OpenDialog();
    EXPECT_EQ(Libraries(), (std::vector<std::string>{old, lib}));
    EXPECT_EQ(SelectedLibrary(), lib);
}

TEST_F(LibraryDialogTest, AddCancelledOrUnregistrableChangesNothing)
{
    const std::string lib = StartOn("a.s79", kAsmLibrary);
    const std::string before = IniBytes();

    m_dlg->SendCommand(IDC_ADD); // cancelled
    EXPECT_EQ(Libraries(), std::vector<std::string>{lib});
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_TRUE(m_platform.messages.empty());

    // A settings key cannot hold '=' or a line break, and loses blanks at its
    // ends: such a path is refused with a message.
    for (const std::string& bad :
         {MakeLibrary("a=b.s79", kAsmLibrary), Path("two\nlines.s79"), MakeLibrary("blank.s79 ", kAsmLibrary)}) {
        m_platform.messages.clear();
        m_platform.SetNextFileName(bad);
        m_dlg->SendCommand(IDC_ADD);
        ASSERT_EQ(m_platform.messages.size(), 1u) << bad;
        EXPECT_GE(Find(m_platform.messages[0].text, bad), 0) << m_platform.messages[0].text;
        EXPECT_EQ(Libraries(), std::vector<std::string>{lib}) << bad;
        EXPECT_EQ(SelectedLibrary(), lib);
        EXPECT_EQ(IniBytes(), before) << bad;
    }
}

TEST_F(LibraryDialogTest, AddingAnUnreadableFileListsItAndKeepsTheView)
{
    StartOn("a.s79", kAsmLibrary);
    std::filesystem::create_directories(Path("dir.s79"));
    m_platform.SetNextFileName(Path("dir.s79"));
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_EQ(SelectedLibrary(), Path("dir.s79"));
    EXPECT_EQ(LastLibrary(), Path("dir.s79"));
    EXPECT_EQ(Ini().Read("Libraries", Path("dir.s79"), "", 100), "Yes");
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].style, 0x40u);
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(View(), kAsmLibraryShown);
}

TEST_F(LibraryDialogTest, HeaderWithoutListedRoutinesIsReportedAtStartWithItsLongLines)
{
    const std::string wide(300, 'x');
    const std::string lib =
        StartOn("none.h",
                "void Init(void);\n/* " + wide + " */\nuint8_t Get(void);\n" + wide + "\n" + wide + "\n" + wide + "\n");
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text,
              lib
                  + " holds no routines: no one-line declaration in it returns int, char, long, double, unsigned, uint "
                    "or short.\n\n4 lines are longer than 255 bytes and read in pieces: lines 2, 4, 5 and 6.\n\n"
                    "tovel-cli check "
                  + lib + " names every line that Tovel skips or reads differently.");
    EXPECT_EQ(m_platform.messages[0].style, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(Functions().empty());
}

TEST_F(LibraryDialogTest, LibraryWithoutRoutinesKeepsTheViewUntilTheListIsOpened)
{
    StartOn("a.s79", kAsmLibrary);
    ShowActive();
    ChooseFunction(1);
    ASSERT_EQ(Label(IDC_FUNCTION_LABEL), "Add");
    const std::string empty = MakeLibrary("plain.s79", "\tNOP\n\tEND\n");
    m_platform.SetNextFileName(empty);
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_EQ(SelectedLibrary(), empty);
    EXPECT_EQ(View(), kAddBlock); // nothing found: the view keeps its text, the user is told
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text.rfind(empty + " holds no routines: no line begins with", 0), 0u);
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), ""); // the panel held a routine of the other library

    // Opening and closing its empty function list empties the view.
    OpenAndClose(m_dlg->m_cbFunction);
    EXPECT_TRUE(Functions().empty());
    EXPECT_TRUE(View().empty());
    EXPECT_EQ(Choice(), "int Add(int a, int b)");

    // The list opens as before once a library with routines is current again.
    ChooseLibrary(0);
    ASSERT_NE(SelectedLibrary(), empty);
    ChooseFunction(2);
    EXPECT_EQ(Functions().size(), 3u);
    EXPECT_EQ(View(), kZapBlock);
}

// ---- Function list ----

TEST_F(LibraryDialogTest, FunctionListKeepsTheViewWhileOpenAndShowsTheChoiceWhenClosed)
{
    const std::string lib = StartOn("asm.s79", kAsmLibrary);
    EXPECT_TRUE(Ini().Write("Last", "Choice", "INT ADD(INT A, INT B)"));
    ShowActive();
    ASSERT_TRUE(Functions().empty());

    ComboBox* functions = m_dlg->m_cbFunction;
    functions->showPopup();
    // Opening rescans and selects the remembered routine; the view and the panel wait for a pick.
    EXPECT_EQ(Functions(),
              (std::vector<std::string>{"char Get(char port)", "int Add(int a, int b)", "long Zap(long z)"}));
    EXPECT_EQ(functions->GetCurSel(), 1);
    EXPECT_EQ(View(), kAsmLibraryShown);
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "");

    // Closing without a change shows the selected routine and remembers it exactly as listed.
    functions->hidePopup();
    QTest::qWait(0);
    QApplication::processEvents();
    EXPECT_EQ(Choice(), "int Add(int a, int b)");
    EXPECT_EQ(View(), kAddBlock);
    EXPECT_EQ(Label(IDC_TYPE_LABEL), "int");
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "Add");
    EXPECT_EQ(Label(kParmnId[1]), "a");
    EXPECT_EQ(Label(kParmnId[2]), "b");

    ChooseFunction(2);
    EXPECT_EQ(Choice(), "long Zap(long z)");
    EXPECT_EQ(View(), kZapBlock);
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "Zap");

    // An arrow key on the closed list picks the routine it moves to, as the
    // open list does when it closes: no rescan, but view, panel and choice follow.
    ChooseFunction(1);
    ASSERT_EQ(View(), kAddBlock);
    WriteFileBytes(lib, std::string(kAsmLibrary) + "; C Function prototype: int More(int m)\r\n\tEND\r\n");
    functions->setFocus();
    QApplication::processEvents();
    QTest::keyClick(functions, Qt::Key_Down);
    QTest::qWait(0);
    QApplication::processEvents();
    EXPECT_EQ(functions->GetCurSel(), 2);
    EXPECT_EQ(Functions().size(), 3u);
    EXPECT_EQ(View(), kZapBlock);
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "Zap");
    EXPECT_EQ(Choice(), "long Zap(long z)");
}

TEST_F(LibraryDialogTest, AnUnchangedLibraryKeepsItsListAndAnEditedOneIsScannedAgain)
{
    const std::string lib = MakeLibrary("asm.s79", kAsmLibrary);
    RegisterLibrary(lib);
    // Only a file left alone for a while has its version trusted.
    QTest::qWait(2100);
    OpenDialog();
    ShowActive();
    ComboBox* functions = m_dlg->m_cbFunction;
    int resets = 0;
    QObject::connect(functions->model(), &QAbstractItemModel::modelReset, functions, [&] { ++resets; });

    ChooseFunction(2);
    ASSERT_EQ(Functions(),
              (std::vector<std::string>{"char Get(char port)", "int Add(int a, int b)", "long Zap(long z)"}));
    EXPECT_EQ(View(), kZapBlock);
    resets = 0;
    // Opened again on the same file: the list stays, the choice is restored
    // and the first routine is shown as after a scan.
    OpenAndClose(functions);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(functions->GetCurSel(), 2);
    EXPECT_EQ(View(), kZapBlock);

    // Edited in place to the same size, its modification time put back:
    // the change time still tells, and the list shows the new routine.
    const auto modified = std::filesystem::last_write_time(lib);
    std::string edited = kAsmLibrary;
    edited.replace(edited.find("Zap"), 3, "Zip");
    WriteFileBytes(lib, edited);
    std::filesystem::last_write_time(lib, modified);
    ChooseFunction(2);
    EXPECT_GT(resets, 0);
    EXPECT_EQ(Functions(),
              (std::vector<std::string>{"char Get(char port)", "int Add(int a, int b)", "long Zip(long z)"}));
    EXPECT_EQ(Choice(), "long Zip(long z)");

    // Edited just now: scanned at every opening until the file has settled.
    WriteFileBytes(lib, std::string(kAsmLibrary) + "; C Function prototype: int More(int m)\r\n\tEND\r\n");
    OpenAndClose(functions);
    EXPECT_EQ(Functions().size(), 4u);
    WriteFileBytes(lib, kAsmLibrary);
    resets = 0;
    OpenAndClose(functions);
    EXPECT_GT(resets, 0);
    EXPECT_EQ(Functions().size(), 3u);
}

TEST_F(LibraryDialogTest, HeaderLibraryRoutinesComeFromTheirOwnFiles)
{
    const std::string header = MakeLibrary("hdr/x.h",
                                           "extern int Get(int a);\n"
                                           "char *Name(int i);\n"
                                           "void Skip(int s);\n");
    MakeLibrary("hdr/Get.s",
                "; Get: one value\n"
                "; C Function prototype: int Get(int a)\n"
                "; a:{0-9}\n"
                "\tLD\tW4,W4\n"
                "\tENDMOD\n"
                "; not shown\n");
    MakeLibrary("hdr/Name.c",
                "/* names */\n"
                "@ C Function prototype: char *Name(int i)\n"
                "{\treturn table[i]; }\n"
                "/* END */\n");
    RegisterLibrary(header);
    OpenDialog();
    ShowActive();
    EXPECT_EQ(View(), "extern int Get(int a);\nchar *Name(int i);\nvoid Skip(int s);\n");

    ChooseFunction(1);
    ASSERT_EQ(Functions(), (std::vector<std::string>{"char *Name(int i)", "int Get(int a)"}));
    EXPECT_EQ(View(), "; C Function prototype: int Get(int a)\n; a:{0-9}\n    LD  W4,W4\n ENDMOD\n");
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "Get");

    // The name without its pointer star, and the ".c" file when there is no ".s".
    ChooseFunction(0);
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_EQ(View(), "@ C Function prototype: char *Name(int i)\n{   return table[i]; }\n/* END */\n");
    EXPECT_EQ(Label(IDC_FUNCTION_LABEL), "Name");

    // A ".h" inside a folder name does not make a header library.
    const std::string asmLib = MakeLibrary("inc.hdr/lib.s79", kAsmLibrary);
    m_platform.SetNextFileName(asmLib);
    m_dlg->SendCommand(IDC_ADD);
    ChooseFunction(0);
    EXPECT_EQ(Functions().size(), 3u);
    EXPECT_EQ(View(), kGetBlock);
    ChooseLibrary(0);
    ASSERT_EQ(SelectedLibrary(), header);

    // Neither file: the message names the ".s" path, the view is empty.
    std::filesystem::remove(Path("hdr/Get.s"));
    ChooseFunction(1);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Could not find source " + Path("hdr/") + "Get.s or .c");
    EXPECT_EQ(m_platform.messages[0].style, 0x30u);
    EXPECT_TRUE(View().empty());
}

TEST_F(LibraryDialogTest, LargeLibraryOpensItsFunctionList)
{
    constexpr int kCount = 100000;
    std::string text;
    text.reserve(static_cast<size_t>(kCount) * 48);
    char line[64];
    for (int i = kCount - 1; i >= 0; --i) { // written in reverse: the list sorts it
        std::snprintf(line, sizeof line, "; C Function prototype: int F%06d(int a)\n\tENDMOD\n", i);
        text += line;
    }
    StartOn("big.s79", text);
    ShowActive();
    ASSERT_TRUE(Functions().empty());

    m_dlg->m_cbFunction->showPopup();
    ASSERT_EQ(m_dlg->m_cbFunction->GetCount(), kCount);
    EXPECT_EQ(m_dlg->m_cbFunction->GetLBText(0), "int F000000(int a)");
    EXPECT_EQ(m_dlg->m_cbFunction->GetLBText(kCount - 1), "int F099999(int a)");
    EXPECT_EQ(m_dlg->m_cbFunction->GetLBText(kCount / 2), "int F050000(int a)");
    m_dlg->m_cbFunction->hidePopup();
    QTest::qWait(0);
    QApplication::processEvents();
    EXPECT_EQ(Choice(), "int F000000(int a)");
    EXPECT_EQ(View(), "; C Function prototype: int F000000(int a)\n ENDMOD\n");
}

// ---- Start-up ----

TEST_F(LibraryDialogTest, RestartBringsBackTheCurrentLibrary)
{
    const std::string lib = StartOn("asm.s79", kAsmLibrary);
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(m_dlg->m_strLibPath, lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(m_dlg->m_cbFunction->GetCurSel(), -1);
    EXPECT_TRUE(m_platform.messages.empty());

    // Choose a routine, then restart: the library and the choice come back.
    ShowActive();
    ChooseFunction(2);
    OpenDialog();
    ShowActive();
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
    m_dlg->m_cbFunction->showPopup();
    EXPECT_EQ(m_dlg->m_cbFunction->GetCurSel(), 2);
    m_dlg->m_cbFunction->hidePopup();
}

TEST_F(LibraryDialogTest, StartUpDropsMissingLibrariesOnceAndSortsTheSection)
{
    const std::string c = MakeLibrary("c.s79", kAsmLibrary);
    const std::string a = MakeLibrary("A.s79", kAsmLibrary);
    const std::string gone = Path("gone.s79");
    const std::string b = MakeLibrary("b.s79", kAsmLibrary);
    for (const std::string& path : {c, gone, a, b})
        RegisterLibrary(path, false);
    EXPECT_TRUE(Ini().Write("Last", "Library", Upper(b))); // differs in letter case only

    OpenDialog();
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Library " + gone + " not available.\nWill be removed from list.");
    EXPECT_EQ(m_platform.messages[0].style, 0x10u);
    const std::vector<std::string> sorted = {a, b, c};
    EXPECT_EQ(Libraries(), sorted);
    EXPECT_EQ(Registered(), sorted);
    EXPECT_EQ(SelectedLibrary(), b);
    EXPECT_EQ(LastLibrary(), Upper(b)); // found: not rewritten
    EXPECT_EQ(View(), kAsmLibraryShown);

    // The next start has nothing to report.
    m_platform.messages.clear();
    OpenDialog();
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_EQ(Libraries(), sorted);

    // A last library that is not listed: the first item becomes current.
    EXPECT_TRUE(Ini().Write("Last", "Library", gone));
    OpenDialog();
    EXPECT_EQ(SelectedLibrary(), a);
    EXPECT_EQ(LastLibrary(), a);
}

TEST_F(LibraryDialogTest, StartUpKeepsEveryLibraryOfALongSection)
{
    // Well over 10,000 bytes of key names, written in reverse order so that
    // the section is rewritten.
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "libraries/a-rather-long-library-name-%03d.s79", i);
        paths.push_back(MakeLibrary(name, "; C Function prototype: int f(int a)\n"));
    }
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        RegisterLibrary(*it, false);
    OpenDialog();
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_EQ(Libraries(), paths);
    EXPECT_EQ(Registered(), paths);
    EXPECT_EQ(SelectedLibrary(), paths.front());
}

TEST_F(LibraryDialogTest, StartUpWithEveryLibraryMissingSelectsNothing)
{
    RegisterLibrary(Path("x.s79"), false);
    RegisterLibrary(Path("y.s79"));
    OpenDialog();
    // One message names every library that is gone.
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].style, 0x10u);
    EXPECT_NE(m_platform.messages[0].text.find(Path("x.s79")), std::string::npos);
    EXPECT_NE(m_platform.messages[0].text.find(Path("y.s79")), std::string::npos);
    EXPECT_TRUE(Libraries().empty());
    EXPECT_EQ(m_dlg->m_cbLibrary->GetCurSel(), -1);
    EXPECT_TRUE(Registered().empty());
    EXPECT_TRUE(m_dlg->m_strLibPath.empty());
    EXPECT_TRUE(Functions().empty());
    EXPECT_TRUE(View().empty());
    EXPECT_TRUE(Label(IDC_FUNCTION_LABEL).empty());
}

// ---- Unlist ----

TEST_F(LibraryDialogTest, UnlistAsksThenRemovesAndActivatesTheFirst)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int OnlyA(int a)\n\tEND\n");
    const std::string b = MakeLibrary("b.s79", kAsmLibrary);
    RegisterLibrary(a, false);
    RegisterLibrary(b);
    OpenDialog();
    ShowActive();
    ASSERT_EQ(SelectedLibrary(), b);
    const std::string before = IniBytes();

    m_platform.SetNextAnswer(IDNO);
    m_dlg->SendCommand(IDC_UNLIST);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Do you wish to remove access to\n" + b + " ?");
    EXPECT_EQ(m_platform.messages[0].style, unsigned(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Libraries(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(SelectedLibrary(), b);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(View(), kAsmLibraryShown);

    m_platform.SetNextAnswer(IDYES);
    m_dlg->SendCommand(IDC_UNLIST);
    EXPECT_EQ(Libraries(), std::vector<std::string>{a});
    EXPECT_EQ(Registered(), std::vector<std::string>{a});
    EXPECT_EQ(SelectedLibrary(), a);
    EXPECT_EQ(LastLibrary(), a);
    EXPECT_EQ(View(), "; C Function prototype: int OnlyA(int a)\n    END\n");
    EXPECT_TRUE(Functions().empty());
}

TEST_F(LibraryDialogTest, UnlistingTheOnlyLibraryKeepsTheLastPathForTheNextAdd)
{
    const std::string lib = StartOn("libs/only.s79", kAsmLibrary);
    m_dlg->SendCommand(IDC_UNLIST); // the fake answers Yes
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_TRUE(Libraries().empty());
    EXPECT_EQ(m_dlg->m_cbLibrary->GetCurSel(), -1);
    EXPECT_TRUE(Registered().empty());
    EXPECT_EQ(LastLibrary(), lib);
    EXPECT_TRUE(View().empty()); // nothing of the removed library stays on show
    EXPECT_TRUE(Functions().empty());

    // Nothing selected any more: the next Add starts from the removed path.
    m_dlg->SendCommand(IDC_ADD);
    ASSERT_EQ(m_platform.pickerRequests.size(), 1u);
    EXPECT_EQ(m_platform.pickerRequests[0].initialFolder, Path("libs/"));
    EXPECT_EQ(m_platform.pickerRequests[0].initialFolder + m_platform.pickerRequests[0].initialFileName, lib);

    // Unlist with nothing selected asks nothing.
    m_platform.messages.clear();
    m_dlg->SendCommand(IDC_UNLIST);
    EXPECT_TRUE(m_platform.messages.empty());
}

// ---- Library drop-down, typed text, Show ----

TEST_F(LibraryDialogTest, ClosingTheLibraryListRescansAndShowsTheLibraryAgain)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int OnlyA(int a)\n\tEND\n");
    const std::string lib = MakeLibrary("b.s79", kAsmLibrary);
    RegisterLibrary(a, false);
    RegisterLibrary(lib);
    OpenDialog();
    ShowActive();
    ChooseFunction(0);
    ASSERT_EQ(View(), kGetBlock);
    EXPECT_TRUE(Ini().DeleteKey("Libraries", lib));

    OpenAndClose(m_dlg->m_cbLibrary); // no change of selection
    EXPECT_EQ(SelectedLibrary(), lib);
    EXPECT_EQ(View(), kAsmLibraryShown);
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(Ini().Read("Libraries", lib, "", 100), "Yes"); // registered again

    ChooseLibrary(0);
    EXPECT_EQ(SelectedLibrary(), a);
    EXPECT_EQ(LastLibrary(), a);
    EXPECT_EQ(View(), "; C Function prototype: int OnlyA(int a)\n    END\n");
}

TEST_F(LibraryDialogTest, TextTypedIntoTheLibraryFieldHasNoEffect)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int OnlyA(int a)\n\tEND\n");
    const std::string b = MakeLibrary("b.s79", kAsmLibrary);
    RegisterLibrary(a);
    RegisterLibrary(b, false);
    OpenDialog();
    ShowActive();
    ASSERT_EQ(SelectedLibrary(), a);

    // Type the other library's path and leave the field.
    QLineEdit* edit = m_dlg->m_cbLibrary->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(b));
    m_dlg->GetDlgItem(IDC_SHOW)->setFocus();
    QApplication::processEvents();

    m_platform.SetNextAnswer(IDNO);
    m_dlg->SendCommand(IDC_UNLIST);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Do you wish to remove access to\n" + a + " ?");
    m_dlg->SendCommand(IDC_SHOW);
    EXPECT_EQ(View(), "; C Function prototype: int OnlyA(int a)\n    END\n");
    EXPECT_EQ(SelectedLibrary(), a);
}

TEST_F(LibraryDialogTest, ShowAndUnlistKeepASelectionMadeWithArrowKeys)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int OnlyA(int a)\n\tEND\n");
    const std::string b = MakeLibrary("b.s79", kAsmLibrary);
    RegisterLibrary(a);
    RegisterLibrary(b, false);
    OpenDialog();
    ShowActive();
    m_dlg->m_cbLibrary->setFocus();
    QApplication::processEvents();
    QTest::keyClick(m_dlg->m_cbLibrary->lineEdit(), Qt::Key_Down);
    QApplication::processEvents();
    ASSERT_EQ(SelectedLibrary(), b);

    m_dlg->SendCommand(IDC_SHOW);
    EXPECT_EQ(View(), kAsmLibraryShown);
    EXPECT_EQ(SelectedLibrary(), b);

    m_platform.SetNextAnswer(IDNO);
    m_dlg->SendCommand(IDC_UNLIST);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Do you wish to remove access to\n" + b + " ?");
    EXPECT_EQ(SelectedLibrary(), b);
}

TEST_F(LibraryDialogTest, ShowReportsNoLibraryOrAnUnreadableOne)
{
    CCallWizardDlg& dlg = OpenDialog();
    dlg.m_strSource = "old text\n";
    dlg.UpdateData(false);
    dlg.SendCommand(IDC_SHOW);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "No library to show.");
    EXPECT_EQ(m_platform.messages[0].style, 0x30u);
    EXPECT_TRUE(View().empty());

    const std::string lib = StartOn("asm.s79", kAsmLibrary);
    std::filesystem::remove(lib);
    m_platform.messages.clear();
    m_dlg->SendCommand(IDC_SHOW);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "Could not find source " + lib);
    EXPECT_EQ(m_platform.messages[0].style, 0x30u);
    EXPECT_TRUE(View().empty());
}

// ---- Settings that cannot be saved ----

TEST_F(LibraryDialogTest, AFrozenSettingsFileIsReportedOnceAndLeftAsItIs)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int f(int a)\n");
    const std::string b = MakeLibrary("b.s79", "; C Function prototype: int g(int b)\n");
    RegisterLibrary(a, false);
    RegisterLibrary(b, false);
    EXPECT_TRUE(Ini().Write("Last", "Library", a));
    OpenDialog();
    ASSERT_TRUE(m_platform.messages.empty());
    const std::string before = IniBytes();
    std::filesystem::permissions(Path("Tovel.ini"),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                                     | std::filesystem::perms::others_read);

    // Each close-up writes two settings; only the first failure of the run
    // is shown, and the file keeps its text and its mode.
    ChooseLibrary(1);
    ChooseLibrary(0);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text.rfind("Tovel cannot save its settings in " + Path("Tovel.ini") + ": ", 0), 0u)
        << m_platform.messages[0].text;
    EXPECT_NE(m_platform.messages[0].text.find(". Changes made now are not kept."), std::string::npos);
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(std::filesystem::status(Path("Tovel.ini")).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
}

TEST_F(LibraryDialogTest, StartUpSortsTheListInOneReplaceKeepingItsComments)
{
    const std::string a = MakeLibrary("a.s79", "; C Function prototype: int f(int a)\n");
    const std::string b = MakeLibrary("b.s79", "; C Function prototype: int g(int b)\n");
    WriteFileBytes(Path("Tovel.ini"),
                   "[Libraries]\r\n" + b + "=Yes\r\n; my boards\r\n" + Path("gone.s79") + "=Yes\r\n" + a
                       + "=Yes\r\n[Last]\r\nLibrary=" + a + "\r\n");
    OpenDialog();
    EXPECT_EQ(Registered(), (std::vector<std::string>{a, b}));
    EXPECT_NE(IniBytes().find("; my boards\r\n"), std::string::npos);
    EXPECT_EQ(SelectedLibrary(), a);
    EXPECT_EQ(m_platform.messages.size(), 1u);
}

TEST_F(LibraryDialogTest, StartUpKeepsWhatAnotherWindowWroteBeforeItsListWasWrittenBack)
{
    const std::string l1 = MakeLibrary("l1.s79", kAsmLibrary);
    const std::string l2 = MakeLibrary("l2.s79", kAsmLibrary);
    const std::string gone = Path("gone.s79");
    RegisterLibrary(gone, false);
    RegisterLibrary(l1);
    // Another window adds l2 and makes it current after this one has read
    // the list and before its box about the missing library is answered.
    m_platform.fileExists = [&](const std::string& path) {
        if (path == gone) {
            EXPECT_TRUE(Ini().Write("Libraries", l2, "Yes"));
            EXPECT_TRUE(Ini().Write("Last", "Library", l2));
        }
        return std::filesystem::exists(path);
    };
    OpenDialog();
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(Registered(), (std::vector<std::string>{l1, l2}));
    EXPECT_EQ(LastLibrary(), l2);
    EXPECT_EQ(Libraries(), (std::vector<std::string>{l1, l2}));
    EXPECT_EQ(SelectedLibrary(), l2);
}

TEST_F(LibraryDialogTest, LibrariesWhoseNamesDifferOnlyInCaseStayTwo)
{
    if (!kFileNamesKeepCase)
        GTEST_SKIP() << "file names ignore letter case on this system";
    const std::string upper = StartOn("Lib.s79", kAsmLibrary);
    const std::string lower = MakeLibrary("lib.s79", "; C Function prototype: int f(int a)\n");
    m_platform.SetNextFileName(lower);
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_EQ(Registered(), (std::vector<std::string>{upper, lower}));

    // After a restart the one added last is current; Unlist takes only it.
    OpenDialog();
    EXPECT_EQ(Libraries(), (std::vector<std::string>{upper, lower}));
    EXPECT_EQ(SelectedLibrary(), lower);
    m_platform.SetNextAnswer(IDYES);
    m_dlg->SendCommand(IDC_UNLIST);
    EXPECT_EQ(Registered(), std::vector<std::string>{upper});
    EXPECT_EQ(Libraries(), std::vector<std::string>{upper});
    EXPECT_EQ(LastLibrary(), upper);
}

TEST_F(LibraryDialogTest, ALongLibraryPathStaysCurrentForTheWindowAndTheCli)
{
    std::string folder;
    while ((m_appPath + folder).size() < 1100)
        folder += std::string(60, 'd') + "/";
    const std::string first = StartOn("a.s79", kAsmLibrary);
    const std::string deep = MakeLibrary(folder + "deep.s79", kAsmLibrary);
    m_platform.SetNextFileName(deep);
    m_dlg->SendCommand(IDC_ADD);
    EXPECT_TRUE(m_platform.messages.empty());

    OpenDialog();
    EXPECT_EQ(Libraries(), (std::vector<std::string>{first, deep}));
    EXPECT_EQ(SelectedLibrary(), deep);
    EXPECT_EQ(LastLibrary(), deep);
    const cli::DefaultLibrary cliDefault = cli::ResolveDefaultLibrary(Path("Tovel.ini"));
    EXPECT_EQ(cliDefault.path, deep);
    EXPECT_TRUE(cliDefault.note.empty()) << cliDefault.note;

    // A path longer than any the system opens is refused, not cut.
    const std::string before = IniBytes();
    const std::string tooLong = m_appPath + std::string(kPathCapacity, 'x');
    m_platform.SetNextFileName(tooLong);
    m_dlg->SendCommand(IDC_ADD);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, TooLongLibraryMessage(tooLong));
    EXPECT_EQ(Libraries(), (std::vector<std::string>{first, deep}));
    EXPECT_EQ(IniBytes(), before);
}

TEST_F(LibraryDialogTest, AHeldSettingsLockLetsTheWindowOpenAndTellsWhoHoldsIt)
{
#ifdef _WIN32
    GTEST_SKIP() << "the holder is a forked child";
#else
    const std::string lib = MakeLibrary("a.s79", kAsmLibrary);
    RegisterLibrary(lib);
    const std::string before = IniBytes();
    // A writer that took the lock and was then stopped.
    const std::string lockPath = Path(".Tovel.ini.lock");
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(1);
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);
    ASSERT_TRUE(WIFSTOPPED(status));

    int ran = 0;
    theApp().runModal = [&](CCallWizardDlg& dlg) {
        ++ran;
        dlg.CreateAndInitialize();
        return 1;
    };
    EXPECT_FALSE(theApp().InitInstance(m_appPath + "Tovel"));
    theApp().runModal = nullptr;
    ::kill(holder, SIGKILL);
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);

    EXPECT_EQ(ran, 1);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    const std::string& text = m_platform.messages[0].text;
    EXPECT_NE(text.find(lockPath), std::string::npos) << text;
    EXPECT_NE(text.find("process " + std::to_string(holder)), std::string::npos) << text;
    EXPECT_EQ(IniBytes(), before);

    // The rest of the run reads the file and leaves it alone, without
    // waiting or telling again.
    OpenDialog();
    EXPECT_EQ(SelectedLibrary(), lib);
    ChooseLibrary(0);
    EXPECT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(IniBytes(), before);
#endif
}

} // namespace
} // namespace tovel::testing
