// The model settings dialog (resource 2010): per-model orientation and
// drawing flags, with a live OpenGL preview of one model.
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <memory>
#include <vector>

#include "config/dialog_rules.h"
#include "config/settings.h"
#include "render/fixed_state.h"
#include "render/gl.h"
#include "render/lava_draw.h"
#include "resources/resource.h"
#include "saver/saver_window.h"

namespace glowpond {
namespace {

// The turn controls, each an up-down control beside an anchor, in the order
// of TurnControl.
constexpr std::array<int, 3> kSpinAnchors = {IDC_SPIN_Z_ANCHOR, IDC_SPIN_Y_ANCHOR, IDC_SPIN_X_ANCHOR};
constexpr int kSpinIdOffset = 100;
constexpr int kSpinLimit = 180;

SaverRuntime& runtime() { return saverRuntime(); }
ModelDialogState& dialogState() { return saverRuntime().modelDialog; }
SaverSettings& working() { return saverRuntime().working(); }

bool hasContext() { return dialogState().surface.glContext != nullptr; }

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
    ModelDialogState& state = dialogState();
    if (working().modelCount == 0) return;
    storeModel(working(), state.currentModel, readChecks(dialog),
               state.previewMesh ? &state.previewMesh->orientation : nullptr);
}

void clearPicture(bool scissorAfter) {
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scissorAfter) glEnable(GL_SCISSOR_TEST);
}

ClientSize pictureSize() {
    RECT client{};
    GetClientRect(dialogState().picture, &client);
    return {client.right, client.bottom};
}

void drawPreview() {
    ModelDialogState& state = dialogState();
    state.drawer.drawMesh(*state.previewMesh, scissorGeometry(pictureSize(), orthoExtents(), 1.0f), 0.0f, 0.0f,
                          nullptr);
}

void swap() { SwapBuffers(static_cast<HDC>(dialogState().surface.deviceContext)); }

void repaintPreview() {
    if (!dialogState().previewMesh || !hasContext()) return;
    clearPicture(false);
    drawPreview();
    swap();
}

void setupView(const SaverSettings& settings) {
    const ClientSize size = pictureSize();
    const int width = size.width;
    const int height = size.height > 0 ? size.height : 1;
    setLightHeight(settings.lightHeight);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = 0.5 * width / height;
    glOrtho(-aspect, aspect, -0.5, 0.5, -1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
}

std::string modelPath(int32_t model) {
    const SaverSettings& settings = working();
    return model < settings.modelCount ? settings.models[size_t(model)].file : std::string();
}

void initialise(HWND dialog) {
    SetWindowTextA(dialog, "Model Settings.");
    ModelDialogState& state = dialogState();
    state = ModelDialogState{};
    const SaverSettings& settings = working();

    HWND list = GetDlgItem(dialog, IDC_MODEL_LIST);
    for (int32_t i = 0; i < settings.modelCount; ++i) {
        addListLine(list, modelListText(settings.models[size_t(i)].file));
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 800, 0);
    SendMessageA(list, LB_SETCURSEL, 0, 0);

    state.picture = GetDlgItem(dialog, IDC_PICTURE);
    if (createRenderSurface(state.surface, state.picture, settings.allowAcceleration, runtime().platform)) {
        setupView(settings);
        state.drawer = MeshDrawer(glProcAddress);
    }

    for (int anchor : kSpinAnchors) {
        CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_WRAP | UDS_ALIGNRIGHT, 0, 0, 0, 0, dialog,
                            anchor + kSpinIdOffset, runtime().instance, GetDlgItem(dialog, anchor), kSpinLimit,
                            -kSpinLimit, 0);
    }
    showChecks(dialog, settings.modelCount > 0 ? checksForModel(settings, 0) : ModelChecks{});
    setItemText(dialog, IDC_CURRENT_SELECTION, modelPath(0));
}

// The list's selection, or -1 after telling the user there is none.
int32_t selectedModel(HWND dialog) {
    const auto selected = static_cast<int32_t>(SendDlgItemMessageA(dialog, IDC_MODEL_LIST, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) {
        runtime().platform.messageBox(dialog, "Please click on a model first.", "No model selected.");
        return -1;
    }
    return selected;
}

void select(HWND dialog) {
    const int32_t k = selectedModel(dialog);
    if (k < 0) return;
    saveCurrentModel(dialog);
    ModelDialogState& state = dialogState();
    if (state.previewMesh) {
        if (hasContext()) {
            clearPicture(true);
            swap();
        }
        state.previewMesh.reset();
    }
    state.currentModel = k;
    showChecks(dialog, checksForModel(working(), k));
    setItemText(dialog, IDC_CURRENT_SELECTION, modelPath(k));
}

void display(HWND dialog) {
    const int32_t k = selectedModel(dialog);
    if (k < 0) return;
    if (!hasContext()) {
        runtime().platform.messageBox(dialog, "Unable to generate display.", "Error.");
        return;
    }
    saveCurrentModel(dialog);
    ModelDialogState& state = dialogState();
    const SaverSettings& settings = working();
    // A folder entry previews one of its files, with the folder's settings.
    const std::string path = previewFileOf(modelPath(k));
    setItemText(dialog, IDC_CURRENT_SELECTION, path);
    state.previewMesh = std::make_unique<DisplayMesh>();

    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    {
        LoadStatusWindow status(runtime(), dialog, settings.showStatus != 0);
        status.showFile(path);
        if (path.empty()) {
            status.showError(modelPath(k), "Error: No model files in this folder.");
        } else {
            runtime().loader.load(path, *state.previewMesh, status);
        }
    }

    const ModelSettings& entry = settings.models[static_cast<size_t>(k)];
    if (runtime().loadCancelled) {
        state.previewMesh.reset();
    } else {
        DisplayMesh& mesh = *state.previewMesh;
        mesh.rotate({0.0f, 0.0f, 1.0f}, entry.rotation[2]);
        mesh.rotate({0.0f, 1.0f, 0.0f}, entry.rotation[1]);
        mesh.rotate({1.0f, 0.0f, 0.0f}, entry.rotation[0]);
        clearPicture(true);
        drawPreview();
        mesh.cullBackFaces = entry.backCull != 0 ? 1 : 0;
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, entry.twoSided != 0 ? GL_TRUE : GL_FALSE);
        swap();
    }
    runtime().loadCancelled = 0;
    SetCursor(previousCursor);
    state.currentModel = k;
    for (int anchor : kSpinAnchors) SendDlgItemMessageA(dialog, anchor + kSpinIdOffset, UDM_SETPOS, 0, 0);
    const ModelChecks checks = checksForModel(settings, k);
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
    ModelDialogState& state = dialogState();
    if (working().allowAdvanced == 0) {
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
    ModelDialogState& state = dialogState();
    const bool checked = toggle(dialog, IDC_BACK_CULL);
    if (!state.previewMesh) return;
    state.previewMesh->cullBackFaces = checked ? 1 : 0;
    repaintPreview();
}

void singleLight(HWND dialog) {
    const bool checked = toggle(dialog, IDC_SINGLE_LIGHT);
    if (!dialogState().previewMesh) return;
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, checked ? GL_FALSE : GL_TRUE);
    repaintPreview();
}

void close(HWND dialog) {
    ModelDialogState& state = dialogState();
    runtime().loadCancelled = 0;
    saveCurrentModel(dialog);
    if (hasContext() || state.surface.deviceContext) releaseRenderSurface(state.surface, state.picture);
    state.previewMesh.reset();
    EndDialog(dialog, 1);
}

void onSpin(HWND dialog, HWND control) {
    ModelDialogState& state = dialogState();
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
    if (working().modelCount < 1) return;
    const auto position = static_cast<int16_t>(LOWORD(SendMessageA(control, UDM_GETPOS, 0, 0)));
    SendMessageA(control, UDM_SETPOS, 0, 0);
    const SpinTurn turn = spinTurn(static_cast<TurnControl>(which), position);
    state.previewMesh->rotate(turn.axis, turn.angle);
    repaintPreview();
}

// Redraws into the back buffer and counts what was drawn before showing it.
LRESULT countPreviewPixels() {
    if (!dialogState().previewMesh || !hasContext()) return 0;
    RECT client;
    GetClientRect(dialogState().picture, &client);
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
