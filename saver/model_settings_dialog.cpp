// The model settings dialog (resource 2010): per-model orientation and
// drawing flags, with a live OpenGL preview of one model.
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <memory>
#include <vector>

#include "config/dialog_rules.h"
#include "config/settings.h"
#include "mesh/display_mesh.h"
#include "render/gl.h"
#include "render/render_surface.h"
#include "resources/resource.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

// Anchors of the z, y and x spin controls, in that order.
constexpr std::array<int, 3> kSpinAnchors = {IDC_SPIN_Z_ANCHOR, IDC_SPIN_Y_ANCHOR, IDC_SPIN_X_ANCHOR};
constexpr int kSpinIdOffset = 100;
constexpr int kSpinLimit = 180;

struct ModelDialogState {
    int32_t currentModel = 0;
    std::unique_ptr<DisplayMesh> previewMesh;
    RenderSurface surface;
    HWND picture = nullptr;
    bool scrollHintShown = false;
};
ModelDialogState state;

bool hasContext() { return state.surface.glContext != nullptr; }

ModelChecks readChecks(HWND dialog) {
    return {IsDlgButtonChecked(dialog, IDC_SINGLE_LIGHT) == BST_CHECKED,
            IsDlgButtonChecked(dialog, IDC_BACK_CULL) == BST_CHECKED,
            IsDlgButtonChecked(dialog, IDC_REVERSE_NORMALS) == BST_CHECKED};
}

void showChecks(HWND dialog, const ModelChecks& checks) {
    CheckDlgButton(dialog, IDC_SINGLE_LIGHT, checks.singleLight ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_BACK_CULL, checks.backCull ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_REVERSE_NORMALS, checks.reverseNormals ? BST_CHECKED : BST_UNCHECKED);
}

void saveCurrentModel(HWND dialog) {
    if (workingSettings().modelCount == 0) return;
    storeModel(workingSettings(), state.currentModel, readChecks(dialog),
               state.previewMesh ? &state.previewMesh->orientation : nullptr);
}

void clearPicture(bool scissorAfter) {
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scissorAfter) glEnable(GL_SCISSOR_TEST);
}

void drawPreview() { state.previewMesh->draw(state.picture, 0.0f, 0.0f, 0.0f, 1.0f, nullptr); }

void swap() { SwapBuffers(static_cast<HDC>(state.surface.deviceContext)); }

void repaintPreview() {
    if (!state.previewMesh || !hasContext()) return;
    clearPicture(false);
    drawPreview();
    swap();
}

void setupView(const SaverSettings& settings) {
    RECT client;
    GetClientRect(state.picture, &client);
    const int width = client.right - client.left;
    const int height = client.bottom > 0 ? client.bottom : 1;
    setLightHeight(settings.lightHeight);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = 0.5 * width / height;
    glOrtho(-aspect, aspect, -0.5, 0.5, -1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
}

std::string modelPath(int32_t model) {
    const SaverSettings& working = workingSettings();
    return model < working.modelCount ? working.modelFile[size_t(model)] : std::string();
}

void initialise(HWND dialog) {
    SetWindowTextA(dialog, "Model Settings.");
    state = ModelDialogState{};
    const SaverSettings& working = workingSettings();

    HWND list = GetDlgItem(dialog, IDC_MODEL_LIST);
    for (int32_t i = 0; i < working.modelCount; ++i) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(working.modelFile[size_t(i)].c_str()));
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 800, 0);
    SendMessageA(list, LB_SETCURSEL, 0, 0);

    state.picture = GetDlgItem(dialog, IDC_PICTURE);
    if (createRenderSurface(state.surface, state.picture, working.allowAcceleration)) setupView(working);

    for (int anchor : kSpinAnchors) {
        CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_WRAP | UDS_ALIGNRIGHT, 0, 0, 0, 0, dialog,
                            anchor + kSpinIdOffset, instanceHandle, GetDlgItem(dialog, anchor), kSpinLimit,
                            -kSpinLimit, 0);
    }
    showChecks(dialog, working.modelCount > 0 ? checksForModel(working, 0) : ModelChecks{});
    SetDlgItemTextA(dialog, IDC_CURRENT_SELECTION, modelPath(0).c_str());
}

// The list's selection, or -1 after telling the user there is none.
int32_t selectedModel(HWND dialog) {
    const auto selected = static_cast<int32_t>(SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) {
        platform().messageBox(dialog, "Please click on a model first.", "No model selected.");
        return -1;
    }
    return selected;
}

void select(HWND dialog) {
    const int32_t k = selectedModel(dialog);
    if (k < 0) return;
    saveCurrentModel(dialog);
    if (state.previewMesh) {
        if (hasContext()) {
            clearPicture(true);
            swap();
        }
        state.previewMesh.reset();
    }
    state.currentModel = k;
    showChecks(dialog, checksForModel(workingSettings(), k));
    SetDlgItemTextA(dialog, IDC_CURRENT_SELECTION, modelPath(k).c_str());
}

void display(HWND dialog) {
    const int32_t k = selectedModel(dialog);
    if (k < 0) return;
    if (!hasContext()) {
        platform().messageBox(dialog, "Unable to generate display.", "Error.");
        return;
    }
    saveCurrentModel(dialog);
    const SaverSettings& working = workingSettings();
    const std::string path = modelPath(k);
    SetDlgItemTextA(dialog, IDC_CURRENT_SELECTION, path.c_str());
    state.previewMesh = std::make_unique<DisplayMesh>();

    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    HWND status = nullptr;
    if (working.showStatus) {
        status = CreateDialogParamA(instanceHandle, MAKEINTRESOURCEA(IDD_LOAD_STATUS), dialog, loadStatusDialogProc, 0);
        if (status) SetDlgItemTextA(status, IDC_STATUS_FILE, path.c_str());
    }
    state.previewMesh->loadModel(path, status, &loadCancelled);
    if (status) DestroyWindow(status);

    const auto model = static_cast<size_t>(k);
    if (loadCancelled) {
        state.previewMesh.reset();
    } else {
        DisplayMesh& mesh = *state.previewMesh;
        const Vec3f& angles = working.modelRotation[model];
        mesh.rotate({0.0f, 0.0f, 1.0f}, angles[2]);
        mesh.rotate({0.0f, 1.0f, 0.0f}, angles[1]);
        mesh.rotate({1.0f, 0.0f, 0.0f}, angles[0]);
        clearPicture(true);
        drawPreview();
        mesh.cullBackFaces = working.backCull[model] != 0 ? 1 : 0;
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, working.twoSided[model] != 0 ? GL_TRUE : GL_FALSE);
        swap();
    }
    loadCancelled = 0;
    SetCursor(previousCursor);
    state.currentModel = k;
    for (int anchor : kSpinAnchors) SendDlgItemMessageA(dialog, anchor + kSpinIdOffset, UDM_SETPOS, 0, 0);
    const ModelChecks checks = checksForModel(working, k);
    showChecks(dialog, checks);
    if (checks.reverseNormals && state.previewMesh) state.previewMesh->reverseNormals();
}

// Flips a check box that the dialog toggles itself; true when it is now checked.
bool toggle(HWND dialog, int id) {
    const bool checked = IsDlgButtonChecked(dialog, id) != BST_CHECKED;
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
    return checked;
}

void reverseNormals(HWND dialog) {
    if (workingSettings().allowAdvanced == 0) {
        MessageBoxA(dialog, "Cancel and check Enable Advanced Options.", "Advanced Options disabled.",
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    toggle(dialog, IDC_REVERSE_NORMALS);
    if (!state.previewMesh) return;
    state.previewMesh->reverseNormals();
    repaintPreview();
}

void backCull(HWND dialog) {
    const bool checked = toggle(dialog, IDC_BACK_CULL);
    if (!state.previewMesh) return;
    state.previewMesh->cullBackFaces = checked ? 1 : 0;
    repaintPreview();
}

void singleLight(HWND dialog) {
    const bool checked = toggle(dialog, IDC_SINGLE_LIGHT);
    if (!state.previewMesh) return;
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, checked ? GL_FALSE : GL_TRUE);
    repaintPreview();
}

void close(HWND dialog) {
    loadCancelled = 0;
    saveCurrentModel(dialog);
    if (hasContext() || state.surface.deviceContext) releaseRenderSurface(state.surface, state.picture);
    state.previewMesh.reset();
    EndDialog(dialog, 1);
}

void onSpin(HWND dialog, HWND control) {
    int32_t which = -1;
    for (size_t i = 0; i < kSpinAnchors.size(); ++i) {
        if (control && control == GetDlgItem(dialog, kSpinAnchors[i] + kSpinIdOffset)) which = int32_t(i);
    }
    if (which < 0) return;
    if (!state.previewMesh) {
        // Each arrow click brings more than one notification; one box is enough.
        if (state.scrollHintShown) return;
        state.scrollHintShown = true;
        MessageBoxA(dialog, "Please click Display first.", "No model displayed.", MB_OK | MB_ICONEXCLAMATION);
        state.scrollHintShown = false;
        return;
    }
    if (workingSettings().modelCount < 1) return;
    const auto position = static_cast<int16_t>(LOWORD(SendMessageA(control, UDM_GETPOS, 0, 0)));
    SendMessageA(control, UDM_SETPOS, 0, 0);
    const SpinTurn turn = spinTurn(which, position);
    state.previewMesh->rotate(turn.axis, turn.angle);
    repaintPreview();
}

// Redraws into the back buffer and counts what was drawn before showing it.
LRESULT countPreviewPixels() {
    if (!state.previewMesh || !hasContext()) return 0;
    RECT client;
    GetClientRect(state.picture, &client);
    clearPicture(false);
    drawPreview();
    glFinish();
    std::vector<unsigned char> pixels(size_t(client.right) * size_t(client.bottom) * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, client.right, client.bottom, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    swap();
    LRESULT lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i] > 8 || pixels[i + 1] > 8 || pixels[i + 2] > 8) ++lit;
    }
    return lit;
}

BOOL onCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDC_MODEL_LIST:
        if (HIWORD(wParam) != LBN_DBLCLK) return FALSE;
        select(dialog);
        return TRUE;
    case IDC_SELECT:
        select(dialog);
        return TRUE;
    case IDC_DISPLAY:
        display(dialog);
        return TRUE;
    case IDC_REVERSE_NORMALS:
        reverseNormals(dialog);
        return TRUE;
    case IDC_BACK_CULL:
        backCull(dialog);
        return TRUE;
    case IDC_SINGLE_LIGHT:
        singleLight(dialog);
        return TRUE;
    case IDC_CLOSE:
    case IDCANCEL:
        close(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK modelSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog);
        return TRUE;
    case WM_PAINT:
        repaintPreview();
        return FALSE;
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    case WM_VSCROLL:
        onSpin(dialog, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_COUNT_PREVIEW_PIXELS:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, countPreviewPixels());
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace glowpond
