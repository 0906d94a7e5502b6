// The settings dialog ("DIALOG_1"): edits workingSettings and commits it to
// savedSettings and the INI file on OK.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cstring>

#include "config/dialog_rules.h"
#include "config/settings.h"
#include "loading/load_driver.h"
#include "resources/resource.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

constexpr char kConfigFilter[] = "3D Glowpond config file (*.3DG)\0*.3dg\0";
constexpr char kModelFilter[] = "3D Studio Object (*.3ds)\0*.3ds\0VRML (*.wrl)\0*.wrl\0";
constexpr char kInitialDirectory[] = "c:\\";

struct Spin {
    int editId;
    int32_t SaverSettings::*field;
};
constexpr std::array<Spin, 6> kSpins = {{
    {IDC_SPEED, &SaverSettings::speed},
    {IDC_SPIN_SPEED, &SaverSettings::spinSpeed},
    {IDC_PULSE_SPEED, &SaverSettings::pulseSpeed},
    {IDC_TOTAL_SIZE, &SaverSettings::totalSize},
    {IDC_OBJECT_DURATION, &SaverSettings::objectDuration},
    {IDC_LIGHT_HEIGHT, &SaverSettings::lightHeight},
}};
// The up-down control of each edit has the edit's id plus this.
constexpr int kSpinIdOffset = 100;

constexpr std::array<COLORREF, 16> kCustomColors = {
    RGB(255, 51, 204), RGB(204, 51, 255), RGB(153, 102, 255), RGB(99, 242, 170),
    RGB(204, 204, 255), RGB(255, 0, 51),  RGB(125, 244, 62),  RGB(102, 102, 255),
    RGB(102, 244, 170), RGB(255, 255, 51), RGB(103, 53, 253), RGB(244, 131, 62),
    RGB(226, 177, 29),  RGB(219, 112, 219), RGB(143, 143, 188), RGB(153, 51, 153),
};

// Kept for the life of the process, so the colour chooser's custom part
// stays between uses within one dialog.
COLORREF customColors[16];
int32_t dialogModelCount = 0;
// The open choosers remember the filter the user picked last.
DWORD modelFilterIndex = 2;
DWORD configFilterIndex = 2;

HWND spinOf(HWND dialog, int editId) { return GetDlgItem(dialog, editId + kSpinIdOffset); }

COLORREF lavaColor(const SaverSettings& settings) {
    return RGB(static_cast<int>(settings.lavaRed * 255.0f), static_cast<int>(settings.lavaGreen * 255.0f),
               static_cast<int>(settings.lavaBlue * 255.0f));
}

// Fills the inside of the swatch's frame; the frame control draws only its border.
void paintSwatch(HWND dialog, HDC dc) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, IDC_COLOR_SWATCH), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    InflateRect(&rect, -2, -2);
    HBRUSH brush = CreateSolidBrush(lavaColor(workingSettings()));
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

void setListButtons(HWND dialog) {
    const ListButtonStates states = listButtonStates(dialogModelCount);
    CheckDlgButton(dialog, IDC_ADD, static_cast<UINT>(states.add));
    CheckDlgButton(dialog, IDC_DELETE, static_cast<UINT>(states.remove));
}

bool available(HWND dialog, int buttonId) {
    return IsDlgButtonChecked(dialog, buttonId) == static_cast<UINT>(kButtonAvailable);
}

// `fresh`: the dialog has just opened (else a configuration was loaded into it).
void initialise(HWND dialog, bool fresh) {
    SetWindowTextA(dialog, "3-D Glowpond Settings.");
    std::copy(kCustomColors.begin(), kCustomColors.end(), customColors);
    SaverSettings& working = workingSettings();
    if (fresh) beginEditing(savedSettings(), working);

    for (const Spin& spin : kSpins) {
        const int32_t value = working.*spin.field;
        if (fresh) {
            CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_ALIGNRIGHT | UDS_SETBUDDYINT,
                                0, 0, 0, 0, dialog, spin.editId + kSpinIdOffset, instanceHandle,
                                GetDlgItem(dialog, spin.editId), kSettingMax, kSettingMin, value);
        } else {
            SendMessageA(spinOf(dialog, spin.editId), UDM_SETPOS, 0, MAKELPARAM(value, 0));
        }
    }

    dialogModelCount = working.modelCount;
    setListButtons(dialog);
    HWND list = GetDlgItem(dialog, IDC_MODEL_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; i < working.modelCount; ++i) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(working.modelFile[size_t(i)].c_str()));
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 800, 0);
    CheckDlgButton(dialog, IDC_SHOW_STATUS, working.showStatus ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_ALLOW_ACCELERATION, working.allowAcceleration ? BST_CHECKED : BST_UNCHECKED);
    repaintSwatch(dialog);
}

SettingsControls readControls(HWND dialog) {
    auto value = [&](int editId) {
        return spinValue(SendMessageA(spinOf(dialog, editId), UDM_GETPOS, 0, 0));
    };
    SettingsControls controls;
    controls.speed = value(IDC_SPEED);
    controls.totalSize = value(IDC_TOTAL_SIZE);
    controls.lightHeight = value(IDC_LIGHT_HEIGHT);
    controls.spinSpeed = value(IDC_SPIN_SPEED);
    controls.pulseSpeed = value(IDC_PULSE_SPEED);
    controls.objectDuration = value(IDC_OBJECT_DURATION);
    controls.modelCount = dialogModelCount;
    controls.showStatus = IsDlgButtonChecked(dialog, IDC_SHOW_STATUS) == BST_CHECKED;
    controls.allowAcceleration = IsDlgButtonChecked(dialog, IDC_ALLOW_ACCELERATION) == BST_CHECKED;
    return controls;
}

// The chosen path, or an empty one when the user cancelled or the chooser failed.
std::string chooseFile(HWND dialog, const char* filter, DWORD* filterIndex, bool save) {
    char path[MAX_PATH_CHARS] = "";
    OPENFILENAMEA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = dialog;
    chooser.lpstrFilter = filter;
    chooser.nFilterIndex = filterIndex ? *filterIndex : 1;
    chooser.lpstrFile = path;
    chooser.nMaxFile = sizeof path;
    chooser.lpstrInitialDir = kInitialDirectory;
    chooser.Flags = OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_PATHMUSTEXIST |
                    (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameA(&chooser) : GetOpenFileNameA(&chooser);
    if (filterIndex) *filterIndex = chooser.nFilterIndex;
    return chosen ? std::string(path) : std::string();
}

void cannotOpen(HWND dialog) { platform().messageBox(dialog, "Cannot open selected file.", "File open error."); }
void cannotWrite(HWND dialog) {
    platform().messageBox(dialog, "Cannot write the settings file.", "File write error.");
}

void addModel(HWND dialog) {
    if (!available(dialog, IDC_ADD)) return;
    const std::string path = chooseFile(dialog, kModelFilter, &modelFilterIndex, false);
    if (path.empty() || !sniffModelFile(path)) return;
    if (!workingSettings().addModel(dialogModelCount, path)) return;
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ++dialogModelCount;
    setListButtons(dialog);
}

void deleteModel(HWND dialog) {
    if (!available(dialog, IDC_DELETE)) return;
    const auto selected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) {
        platform().messageBox(dialog, "Please click on a model.", "No model selected.");
        return;
    }
    workingSettings().removeModel(selected);
    SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    --dialogModelCount;
    setListButtons(dialog);
}

void loadSaved(HWND dialog) {
    const std::string path = chooseFile(dialog, kConfigFilter, &configFilterIndex, false);
    if (path.empty() || !workingSettings().readSettings(path.c_str())) {
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
    takeControls(workingSettings(), readControls(dialog));
    if (!workingSettings().writeSettings(path.c_str())) cannotWrite(dialog);
}

void chooseLavaColor(HWND dialog) {
    SaverSettings& working = workingSettings();
    CHOOSECOLORA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.rgbResult = lavaColor(working);
    chooser.lpCustColors = customColors;
    chooser.Flags = CC_FULLOPEN | CC_RGBINIT | CC_SHOWHELP;
    if (ChooseColorA(&chooser)) {
        working.lavaRed = GetRValue(chooser.rgbResult) * kColorFromByte;
        working.lavaGreen = GetGValue(chooser.rgbResult) * kColorFromByte;
        working.lavaBlue = GetBValue(chooser.rgbResult) * kColorFromByte;
    }
    repaintSwatch(dialog);
}

void accept(HWND dialog, WPARAM command) {
    // A failed write keeps the dialog open with everything the user set.
    if (!acceptSettings(savedSettings(), workingSettings(), readControls(dialog))) {
        cannotWrite(dialog);
        return;
    }
    closeHelp(dialog, savedSettings());
    EndDialog(dialog, static_cast<INT_PTR>(command));
}

void cancel(HWND dialog, WPARAM command) {
    discardSettings(workingSettings());
    closeHelp(dialog, savedSettings());
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
        DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_ABOUT), dialog, aboutDialogProc, 0);
        return TRUE;
    case IDC_HELP:
        showHelpContents(dialog, workingSettings());
        return TRUE;
    case IDC_CONFIGURE_MODELS:
        takeControls(workingSettings(), readControls(dialog));
        DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_MODEL_SETTINGS), dialog, modelSettingsDialogProc, 0);
        return TRUE;
    case IDC_LAVA_COLOR:
        chooseLavaColor(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

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
