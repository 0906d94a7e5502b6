// The settings dialog ("DIALOG_1"): edits the working settings and commits
// them to the saved settings and the INI file on OK.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <array>
#include <string>

#include "config/dialog_rules.h"
#include "config/settings.h"
#include "importers/reader_table.h"
#include "loading/load_driver.h"
#include "loading/model_folder.h"
#include "resources/resource.h"
#include "saver/saver_window.h"
#include "saver/win32_folder_lister.h"
#include "saver/wide_text.h"

namespace glowpond {
namespace {

constexpr wchar_t kConfigFilter[] = L"3D Glowpond config file (*.3DG)\0*.3dg\0";
constexpr wchar_t kInitialDirectory[] = L"c:\\";

// The controls of the options: an edit with an up-down control beside it
// (whose id is the edit's plus kSpinIdOffset), or a check box.
struct OptionControl {
    Option option;
    int id;
};
constexpr std::array<OptionControl, 6> kSpins = {{
    {Option::Speed, IDC_SPEED},
    {Option::SpinSpeed, IDC_SPIN_SPEED},
    {Option::PulseSpeed, IDC_PULSE_SPEED},
    {Option::TotalSize, IDC_TOTAL_SIZE},
    {Option::ObjectDuration, IDC_OBJECT_DURATION},
    {Option::LightHeight, IDC_LIGHT_HEIGHT},
}};
constexpr std::array<OptionControl, 4> kChecks = {{
    {Option::ShowStatus, IDC_SHOW_STATUS},
    {Option::AllowAcceleration, IDC_ALLOW_ACCELERATION},
    {Option::SpareProcessor, IDC_SPARE_PROCESSOR},
    {Option::EveryMonitor, IDC_EVERY_MONITOR},
}};
constexpr int kSpinIdOffset = 100;

constexpr std::array<COLORREF, 16> kCustomColors = {
    RGB(255, 51, 204), RGB(204, 51, 255), RGB(153, 102, 255), RGB(99, 242, 170),
    RGB(204, 204, 255), RGB(255, 0, 51),  RGB(125, 244, 62),  RGB(102, 102, 255),
    RGB(102, 244, 170), RGB(255, 255, 51), RGB(103, 53, 253), RGB(244, 131, 62),
    RGB(226, 177, 29),  RGB(219, 112, 219), RGB(143, 143, 188), RGB(153, 51, 153),
};

SaverRuntime& runtime() { return saverRuntime(); }
SettingsDialogState& state() { return saverRuntime().settingsDialog; }
SaverSettings& working() { return saverRuntime().working(); }

HWND spinOf(HWND dialog, int editId) { return GetDlgItem(dialog, editId + kSpinIdOffset); }

COLORREF lavaColor(const SaverSettings& settings) {
    return RGB(colorByte(settings.lavaRed), colorByte(settings.lavaGreen), colorByte(settings.lavaBlue));
}

// Fills the inside of the swatch's frame; the frame control draws only its border.
void paintSwatch(HWND dialog, HDC dc) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, IDC_COLOR_SWATCH), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    InflateRect(&rect, -2, -2);
    HBRUSH brush = CreateSolidBrush(lavaColor(working()));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void repaintSwatch(HWND dialog) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, IDC_COLOR_SWATCH), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(dialog, &rect, FALSE);
    UpdateWindow(dialog);
}

void onPaint(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    paintSwatch(dialog, dc);
    EndPaint(dialog, &paint);
}

// "Add" and "Delete" are push-like three-state buttons: the indeterminate
// state draws them greyed, and a greyed button ignores clicks.
void setListButtons(HWND dialog) {
    const ListButtons buttons = listButtons(state().modelCount);
    CheckDlgButton(dialog, IDC_ADD, buttons.canAdd ? BST_UNCHECKED : BST_INDETERMINATE);
    CheckDlgButton(dialog, IDC_DELETE, buttons.canDelete ? BST_UNCHECKED : BST_INDETERMINATE);
    CheckDlgButton(dialog, IDC_ADD_FOLDER, buttons.canAdd ? BST_UNCHECKED : BST_INDETERMINATE);
}

bool available(HWND dialog, int buttonId) { return IsDlgButtonChecked(dialog, buttonId) == BST_UNCHECKED; }

// `fresh`: the dialog has just opened (else a configuration was loaded into it).
void initialise(HWND dialog, bool fresh) {
    SetWindowTextA(dialog, "3-D Glowpond Settings.");
    std::copy(kCustomColors.begin(), kCustomColors.end(), state().customColors.begin());
    SaverSettings& settings = working();
    if (fresh) beginEditing(runtime().saved(), settings, runtime().platform);

    for (const OptionControl& spin : kSpins) {
        const OptionInfo& option = optionInfo(spin.option);
        const int32_t value = settings.*option.field;
        if (fresh) {
            CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_ALIGNRIGHT | UDS_SETBUDDYINT,
                                0, 0, 0, 0, dialog, spin.id + kSpinIdOffset, runtime().instance,
                                GetDlgItem(dialog, spin.id), option.max, option.min, value);
        } else {
            SendMessageA(spinOf(dialog, spin.id), UDM_SETPOS, 0, MAKELPARAM(value, 0));
        }
    }

    state().modelCount = settings.modelCount;
    setListButtons(dialog);
    HWND list = GetDlgItem(dialog, IDC_MODEL_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; i < settings.modelCount; ++i) {
        addListLine(list, modelListText(settings.models[size_t(i)].file));
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 800, 0);
    for (const OptionControl& check : kChecks) {
        const bool on = settings.*optionInfo(check.option).field != 0;
        CheckDlgButton(dialog, check.id, on ? BST_CHECKED : BST_UNCHECKED);
    }
    repaintSwatch(dialog);
}

SettingsControls readControls(HWND dialog) {
    SettingsControls controls;
    for (const OptionControl& spin : kSpins) {
        // The position is the low word of the answer; the high word flags errors.
        const LRESULT position = SendMessageA(spinOf(dialog, spin.id), UDM_GETPOS, 0, 0);
        controls.options.emplace_back(spin.option, int32_t(LOWORD(position)));
    }
    for (const OptionControl& check : kChecks) {
        controls.options.emplace_back(check.option, IsDlgButtonChecked(dialog, check.id) == BST_CHECKED ? 1 : 0);
    }
    controls.modelCount = state().modelCount;
    return controls;
}

// The chosen path in UTF-8, or an empty one when the user cancelled or the
// chooser failed. The W chooser: a name beyond the code page comes back whole.
std::string chooseFile(HWND dialog, const wchar_t* filter, DWORD* filterIndex, bool save) {
    wchar_t path[MAX_PATH_CHARS] = L"";
    OPENFILENAMEW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = dialog;
    chooser.lpstrFilter = filter;
    chooser.nFilterIndex = filterIndex ? *filterIndex : 1;
    chooser.lpstrFile = path;
    chooser.nMaxFile = MAX_PATH_CHARS;
    chooser.lpstrInitialDir = kInitialDirectory;
    chooser.Flags = OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_PATHMUSTEXIST |
                    (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&chooser) : GetOpenFileNameW(&chooser);
    if (filterIndex) *filterIndex = chooser.nFilterIndex;
    return chosen ? utf8FromWide(path) : std::string();
}

void cannotOpen(HWND dialog) {
    runtime().platform.messageBox(dialog, "Cannot open selected file.", "File open error.");
}
void cannotWrite(HWND dialog) {
    runtime().platform.messageBox(dialog, "Cannot write the settings file.", "File write error.");
}

void addModel(HWND dialog) {
    if (!available(dialog, IDC_ADD)) return;
    const std::string path =
        chooseFile(dialog, wideFromUtf8(modelChooserFilter()).c_str(), &state().modelFilterIndex, false);
    LoadStatusWindow messageBoxes(runtime(), dialog, false);
    if (path.empty() || !runtime().loader.admits(path, messageBoxes)) return;
    if (!working().addModel(state().modelCount, path)) return;
    addListLine(GetDlgItem(dialog, IDC_MODEL_LIST), path);
    ++state().modelCount;
    setListButtons(dialog);
}

// The chosen folder, or an empty path when the user cancelled.
std::string chooseFolder(HWND dialog) {
    BROWSEINFOW browse{};
    browse.hwndOwner = dialog;
    browse.lpszTitle = L"Models from this folder and its subfolders";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = L"";
    const bool named = SHGetPathFromIDListW(chosen, path) != 0;
    CoTaskMemFree(chosen);
    return named ? utf8FromWide(path) : std::string();
}

// A folder is taken as it is: what it holds is drawn at each start, and a
// folder without model files then says so.
void addFolder(HWND dialog) {
    if (!available(dialog, IDC_ADD_FOLDER)) return;
    const std::string folder = chooseFolder(dialog);
    if (folder.empty()) return;
    const std::string entry = asFolderEntry(folder, '\\');
    if (!working().addModel(state().modelCount, entry)) return;
    addListLine(GetDlgItem(dialog, IDC_MODEL_LIST), modelListText(entry));
    ++state().modelCount;
    setListButtons(dialog);
}

void deleteModel(HWND dialog) {
    if (!available(dialog, IDC_DELETE)) return;
    const auto selected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) {
        runtime().platform.messageBox(dialog, "Please click on a model.", "No model selected.");
        return;
    }
    working().removeModel(selected);
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    --state().modelCount;
    setListButtons(dialog);
}

void loadSaved(HWND dialog) {
    const std::string path = chooseFile(dialog, kConfigFilter, &state().configFilterIndex, false);
    if (path.empty() || !working().readSettings(path, runtime().platform)) {
        cannotOpen(dialog);
        return;
    }
    initialise(dialog, false);
}

void saveAs(HWND dialog) {
    const std::string path = chooseFile(dialog, kConfigFilter, nullptr, true);
    if (path.empty()) {
        cannotOpen(dialog);
        return;
    }
    takeControls(working(), readControls(dialog));
    if (!working().writeSettings(path, runtime().platform)) cannotWrite(dialog);
}

void chooseLavaColor(HWND dialog) {
    SaverSettings& settings = working();
    CHOOSECOLORA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.rgbResult = lavaColor(settings);
    chooser.lpCustColors = state().customColors.data();
    chooser.Flags = CC_FULLOPEN | CC_RGBINIT | CC_SHOWHELP;
    if (ChooseColorA(&chooser)) {
        settings.lavaRed = GetRValue(chooser.rgbResult) * kColorFromByte;
        settings.lavaGreen = GetGValue(chooser.rgbResult) * kColorFromByte;
        settings.lavaBlue = GetBValue(chooser.rgbResult) * kColorFromByte;
    }
    repaintSwatch(dialog);
}

void accept(HWND dialog, WPARAM command) {
    // A failed write keeps the dialog open with everything the user set.
    if (!acceptSettings(runtime().saved(), working(), readControls(dialog), runtime().platform)) {
        cannotWrite(dialog);
        return;
    }
    closeHelp(dialog, runtime().saved());
    EndDialog(dialog, static_cast<INT_PTR>(command));
}

void cancel(HWND dialog, WPARAM command) {
    discardSettings(working());
    closeHelp(dialog, runtime().saved());
    EndDialog(dialog, static_cast<INT_PTR>(command));
}

BOOL onCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        accept(dialog, wParam);
        return TRUE;
    case IDCANCEL:
        cancel(dialog, wParam);
        return TRUE;
    case IDC_ADD:
        addModel(dialog);
        return TRUE;
    case IDC_ADD_FOLDER:
        addFolder(dialog);
        return TRUE;
    case IDC_DELETE:
        deleteModel(dialog);
        return TRUE;
    case IDC_LOAD_SAVED:
        loadSaved(dialog);
        return TRUE;
    case IDC_SAVE_AS:
        saveAs(dialog);
        return TRUE;
    case IDC_ABOUT:
        DialogBoxParamA(runtime().instance, MAKEINTRESOURCEA(IDD_ABOUT), dialog, aboutDialogProc, 0);
        return TRUE;
    case IDC_HELP:
        showHelpContents(dialog, working());
        return TRUE;
    case IDC_CONFIGURE_MODELS:
        takeControls(working(), readControls(dialog));
        DialogBoxParamA(runtime().instance, MAKEINTRESOURCEA(IDD_MODEL_SETTINGS), dialog, modelSettingsDialogProc, 0);
        return TRUE;
    case IDC_LAVA_COLOR:
        chooseLavaColor(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

std::string modelListText(const std::string& entry) {
    if (!isFolderEntry(entry)) return entry;
    Win32FolderLister lister;
    return folderEntryText(entry, scanModelFolder(lister, entry).files.size());
}

std::string previewFileOf(const std::string& entry) {
    if (!isFolderEntry(entry)) return entry;
    Win32FolderLister lister;
    const FolderScan scan = scanModelFolder(lister, entry);
    if (scan.files.empty()) return {};
    return scan.files[static_cast<size_t>(GetTickCount()) % scan.files.size()];
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, lParam == 0);
        return FALSE;
    case WM_PAINT:
        onPaint(dialog);
        return FALSE;
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    default:
        return FALSE;
    }
}

}  // namespace glowpond
