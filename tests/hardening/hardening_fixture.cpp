#include "hardening_fixture.h"

#include <algorithm>

#include "driver.h"

namespace hardening {
namespace {

// What the calculation can never write into a result field.
constexpr char kMark[] = "#";

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (owner == search.pid && std::string(name) == "#32770") search.found.push_back(window);
    return TRUE;
}

}  // namespace

Fields SampleFields() {
    return {"100", "Osobn\xed automobil 0.3", "Benzin 45.22", "Osobn\xed automobil 2.25"};
}

std::string AnsiText(HWND window) {
    const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    const auto copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

std::string ShortText(HWND window) {
    char text[512] = {};
    const auto copied =
        SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return std::string(text, static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
}

void SetAnsiText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<HWND> AllDialogs(DWORD pid) {
    Search search{pid, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DragOutcome ExpectedOutcome(const Fields& held) {
    Fields read;
    for (const std::string& text : held) read.push_back(text.substr(0, kFieldLimit));
    return ComputeDrag(read[0].c_str(), read[1].c_str(), read[2].c_str(), read[3].c_str());
}

void KalvorProgram::Start(const Launch& launch) {
    // The program's narrow texts are Windows-1250, and so are the texts this
    // test writes and reads: both processes must use that code page.
    ASSERT_EQ(GetACP(), 1250u) << "run the tests in the Czech locale (LC_ALL=cs_CZ.UTF-8)";
    ASSERT_FALSE(launch.exe.empty()) << "the program's path is not set";
    program_ = std::make_unique<Program>(launch);
    ASSERT_TRUE(program_->Started()) << "cannot start " << launch.exe;
    main_ = program_->WaitMainWindow();
    ASSERT_NE(main_, nullptr) << "the main window did not appear";
    trace_ = launch.trace;
    if (!trace_.empty()) {
        const auto image = program_->ExecutableImage();
        ASSERT_TRUE(image.has_value()) << "cannot find the program's image";
        image_ = *image;
    }
}

void KalvorProgram::TearDown() {
    if (program_) program_->Terminate();
    if (!trace_.empty() && !HasFailure()) DeleteFileA(("Z:" + trace_).c_str());
}

void KalvorProgram::StartProduct() {
    Start(ProductLaunch());
}

Launch KalvorProgram::ProductLaunch() {
    return Launch{UnixPathFromEnvironment("KALVOR_EXE"), {}, {}};
}

Launch KalvorProgram::AllocFailLaunch(unsigned every) {
    return Launch{UnixPathFromEnvironment("KALVOR_ALLOCFAIL_EXE"), every, {}};
}

std::string KalvorProgram::TracePath(const std::string& name) {
    std::string folder = UnixPathFromEnvironment("KALVOR_HARDENING_OUTPUT");
    if (folder.empty()) folder = "/tmp";
    return folder + "/" + name + ".relay";
}

void KalvorProgram::Fill(const Fields& fields) const {
    for (std::size_t i = 0; i < fields.size(); ++i) SetAnsiText(Item(kInputs[i]), fields[i]);
}

Fields KalvorProgram::Held() const {
    Fields held;
    for (int id : kInputs) held.push_back(AnsiText(Item(id)));
    return held;
}

void KalvorProgram::MarkResults() const {
    SetAnsiText(Item(kEnergie), kMark);
    SetAnsiText(Item(kPalivo), kMark);
}

bool KalvorProgram::ResultsMarked() const {
    return ShortText(Item(kEnergie)) == kMark && ShortText(Item(kPalivo)) == kMark;
}

std::vector<HWND> KalvorProgram::OpenBoxes() const {
    auto dialogs = AllDialogs(program_->Id());
    std::erase(dialogs, main_);
    return dialogs;
}

HWND KalvorProgram::WaitBox(const std::vector<HWND>& known) const {
    HWND box = nullptr;
    WaitFor([&] {
        for (HWND candidate : OpenBoxes()) {
            if (IsWindowVisible(candidate) &&
                std::find(known.begin(), known.end(), candidate) == known.end()) {
                box = candidate;
                return true;
            }
        }
        return false;
    });
    return box;
}

void KalvorProgram::Answer(HWND box, int button) const {
    HWND control = GetDlgItem(box, button);
    ASSERT_NE(control, nullptr) << "the box has no button " << button;
    ASSERT_TRUE(e2e::Click(control)) << "the button did not respond";
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        << "the box stayed open";
}

// A posted change of the speed field's "modified" flag is the marker: posted
// messages leave the queue in order.
bool KalvorProgram::Settle() const {
    HWND edit = Item(kRychlost);
    SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
    PostMessageW(edit, EM_SETMODIFY, TRUE, 0);
    return WaitFor([&] { return SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0; });
}

bool KalvorProgram::Responsive() const {
    DWORD_PTR result = 0;
    return program_->Running() &&
           SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatience, &result) != 0;
}

std::optional<DWORD> KalvorProgram::QuitWithYes() const {
    e2e::PressButton(Item(IDCANCEL));
    HWND question = WaitBox();
    if (question == nullptr) {
        ADD_FAILURE() << "no exit question";
        return {};
    }
    EXPECT_EQ(ShortText(question), kExitCaption);
    Answer(question, IDYES);
    return program_->WaitExit();
}

std::vector<RelayCall> KalvorProgram::ProgramTrace() const {
    return ProgramCalls(trace_, image_);
}

bool KalvorProgram::CheckCalculation(const DragOutcome& expected) const {
    MarkResults();
    if (expected.status == DragStatus::Ok) {
        // The press returns once the command has run, which it cannot while
        // a box it opened is waiting for an answer.
        if (!e2e::Click(Item(IDOK))) {
            ADD_FAILURE() << "OK did not return: " << OpenBoxes().size() << " box(es) open";
            for (HWND box : OpenBoxes()) PostMessageA(box, WM_COMMAND, IDOK, 0);
            return false;
        }
        const std::string power = ShortText(Item(kEnergie));
        const std::string fuel = ShortText(Item(kPalivo));
        EXPECT_EQ(power, expected.powerText.data());
        EXPECT_EQ(fuel, expected.fuelText.data());
        return power == expected.powerText.data() && fuel == expected.fuelText.data();
    }

    e2e::PressButton(Item(IDOK));
    HWND box = WaitBox();
    if (box == nullptr) {
        ADD_FAILURE() << "no error box opened";
        return false;
    }
    const std::string caption = ShortText(box);
    EXPECT_EQ(caption, kErrorCaption);
    // Answered by a posted press: once the window has handled what was posted
    // after it, the command has run to its end.
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    const bool settled = Settle();
    EXPECT_TRUE(settled) << "the window does not respond";
    const bool one_box = !IsWindow(box) && OpenBoxes().empty();
    EXPECT_TRUE(one_box) << "the box stayed, or another one opened";
    const bool unchanged = ResultsMarked();
    EXPECT_TRUE(unchanged) << "results changed: " << Energie() << " / " << Palivo();
    return caption == kErrorCaption && settled && one_box && unchanged;
}

}  // namespace hardening
