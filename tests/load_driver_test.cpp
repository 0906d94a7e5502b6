#include "loading/load_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/display_mesh.h"
#include "importers/format_dispatch.h"
#include "tests/test_support.h"
#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;
using testing::TempDir;
using testing::writeFile;

// A stand-in for the load-status window; only its identity matters.
WindowHandle const kStatusWindow = reinterpret_cast<WindowHandle>(0x108);

const char kTriangle[] =
    "#VRML V1.0 ascii\n"
    "Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n";

std::vector<std::string> captions() {
    std::vector<std::string> out;
    for (const auto& m : recordingPlatform().messages) out.push_back(m.caption);
    return out;
}

std::vector<std::string> statusTexts() {
    std::vector<std::string> out;
    for (const auto& t : recordingPlatform().dialogTexts) {
        EXPECT_EQ(t.dialog, kStatusWindow);
        EXPECT_EQ(t.itemId, kStatusTextItem);
        out.push_back(t.text);
    }
    return out;
}

class LoadDriver : public ::testing::Test {
protected:
    void SetUp() override { clearLastStatusText(); }
    std::string file(const std::string& name, const std::string& contents) {
        std::string path = dir.path(name);
        writeFile(path, contents);
        return path;
    }
    TempDir dir;
};

TEST_F(LoadDriver, contentCheckAdmitsOnlyVrml1AndStudioFiles) {
    struct Case {
        std::string name, contents, caption;  // an empty caption: admitted
    };
    const Case cases[] = {
        {"upper.WRL", kTriangle, ""},
        {"mixed.Wrl", kTriangle, "Error: Not a supported file type."},
        {"modelwrl", kTriangle, ""},  // no dot is needed
        {"v2.wrl", "#VRML V2.0 utf8\nShape {}\n", "Error: VRML 2.0 not supported in this version."},
        {"late.wrl", "\n\n\n\n#VRML V1.0 ascii\n", ""},  // the header within the first 24 bytes
        {"later.wrl", "# a comment line first\n#VRML V1.0 ascii\n", "Error: Not a valid VRML 1.0 file."},
        {"utf16.wrl", std::string("#\0V\0R\0M\0L\0", 10), "Error: Not a valid VRML 1.0 file."},
        {"empty.wrl", "", "Error: Not a valid VRML 1.0 file."},
        {"box.3ds", "MM\x10\0\0\0", ""},
        {"BOX.3DS", "MMxx", ""},
        {"box.3dsx", "MM", ""},  // admitted here, refused by the dispatcher
        {"text.3ds", "hello", "Error: Not a valid 3DS file."},
        {"one.3ds", "M", "Error: Not a valid 3DS file."},
        {"model.obj", "v 0 0 0", "Error: Not a supported file type."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recordingPlatform().messages.clear();
        const std::string path = file(c.name, c.contents);
        EXPECT_EQ(sniffModelFile(path), c.caption.empty());
        if (c.caption.empty()) {
            EXPECT_TRUE(recordingPlatform().messages.empty());
        } else {
            ASSERT_EQ(recordingPlatform().messages.size(), 1u);
            EXPECT_EQ(recordingPlatform().messages[0].caption, c.caption);
            EXPECT_EQ(recordingPlatform().messages[0].text, path);
        }
    }
}

TEST_F(LoadDriver, contentCheckRefusesMissingShortAndOverlongPaths) {
    EXPECT_FALSE(sniffModelFile(dir.path("missing.wrl")));
    EXPECT_FALSE(sniffModelFile(".3d"));
    EXPECT_FALSE(sniffModelFile(""));
    EXPECT_FALSE(sniffModelFile(std::string(250, 'a') + "/x.wrl"));
    EXPECT_EQ(captions(), (std::vector<std::string>{"Error: Can't open this file.", "Error: Not a supported file type.",
                                                     "Error: Not a supported file type.",
                                                     "Error: The path of this file is too long."}));
}

TEST_F(LoadDriver, dispatcherChoosesTheReaderByTheLastThreeCharacters) {
    struct Case {
        const char* path;
        int result;
        const char* error;
    };
    const Case cases[] = {
        {"MODEL.3DS", 1, nullptr}, {"model.3ds", 1, nullptr},  {"x.WrL", 1, nullptr},
        {"modelwrl", 1, nullptr},  {"model.#ds", 0, "Unsupported file suffix '#ds'\n"},
        {"scene.wrl.gz", 0, "Unsupported file suffix '.gz'\n"}, {"ds", 0, "Unsupported file suffix 'ds'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        testing::RecordingContext context;
        EXPECT_EQ(dispatchModelFile(context, c.path, ".\\"), c.result);  // no such files
        if (c.error) {
            ASSERT_EQ(context.errors.size(), 1u);
            EXPECT_EQ(context.errors[0], c.error);
            EXPECT_TRUE(context.statuses.empty());
        } else {
            // The file does not exist: the reader passes over it, and the dispatcher still reports it ready.
            EXPECT_TRUE(context.errors.empty());
            EXPECT_EQ(context.statuses.back(), "Ready.");
        }
    }
}

TEST_F(LoadDriver, aFileWithoutAReaderIsAReadError) {
    const std::string path = file("box.3dsx", "MM");
    DisplayMesh mesh;
    mesh.makeCube(1, 0, 0);
    EXPECT_FALSE(mesh.loadModel(path, nullptr, nullptr));
    ASSERT_EQ(recordingPlatform().messages.size(), 2u);
    EXPECT_EQ(recordingPlatform().messages[0].caption, "Error Message");
    EXPECT_EQ(recordingPlatform().messages[0].text, "Unsupported file suffix 'dsx'\n");
    EXPECT_EQ(recordingPlatform().messages[1].caption, "File read error.");
    EXPECT_EQ(recordingPlatform().messages[1].text, path);
    EXPECT_EQ(mesh.vertexCount, 24);  // unchanged
}

TEST_F(LoadDriver, loadsAModelIntoTheMesh) {
    DisplayMesh mesh;
    mesh.makeCube(1, 0, 0);
    int32_t cancel = 0;
    ASSERT_TRUE(mesh.loadModel(file("tri.wrl", kTriangle), nullptr, &cancel));
    EXPECT_TRUE(recordingPlatform().messages.empty());
    EXPECT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.faceCount, 1);

    // A file without geometry still gives a mesh: one empty part.
    ASSERT_TRUE(mesh.loadModel(file("empty.wrl", "#VRML V1.0 ascii\n"), nullptr, &cancel));
    EXPECT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
}

TEST_F(LoadDriver, readerErrorsAreShownAndTheLoadGoesOn) {
    DisplayMesh mesh;
    ASSERT_TRUE(mesh.loadModel(file("broken.wrl", "#VRML V1.0 ascii\nSeparator { Cube { width } }\n"), nullptr, nullptr));
    ASSERT_EQ(recordingPlatform().messages.size(), 1u);
    EXPECT_EQ(recordingPlatform().messages[0].caption, "Error Message");
    EXPECT_EQ(recordingPlatform().messages[0].text, "parse error, line 2.\n");
}

TEST_F(LoadDriver, statusTextsAreShownOnceAndReadyAsDigesting) {
    int32_t cancel = 0;
    LoadContext context(kStatusWindow, &cancel);
    context.status("Reading object '%s'", "Body");
    context.status("Reading object '%s'", "Body");  // a repeat
    context.status("Reading object");               // a part of the last text
    context.status("Ready.");
    EXPECT_EQ(lastStatusText(), "Ready.");
    context.status("Ready.");
    EXPECT_EQ(statusTexts(), (std::vector<std::string>{"Reading object 'Body'", "Digesting data..."}));
    EXPECT_EQ(recordingPlatform().dialogMessageCount, 5);  // the window's messages at every report

    // The last text outlives the load: the next file does not show it again.
    LoadContext next(kStatusWindow, &cancel);
    next.status("Ready.");
    EXPECT_EQ(statusTexts().size(), 2u);

    // Without a status window nothing is shown, but errors still are.
    LoadContext quiet(nullptr, &cancel);
    quiet.status("Something new");
    quiet.error("Read failed for 3ds file '%s'", "x.3ds");
    EXPECT_EQ(statusTexts().size(), 2u);
    ASSERT_EQ(recordingPlatform().messages.size(), 1u);
    EXPECT_EQ(recordingPlatform().messages[0].caption, "Error Message");
    EXPECT_EQ(recordingPlatform().messages[0].text, "Read failed for 3ds file 'x.3ds'");
}

TEST_F(LoadDriver, statusAndErrorTextsAreCutTo255Characters) {
    LoadContext context(kStatusWindow, nullptr);
    const std::string longText(400, 'x');
    context.status("%s", longText.c_str());
    context.error("%s", longText.c_str());
    EXPECT_EQ(statusTexts().at(0).size(), 255u);
    EXPECT_EQ(recordingPlatform().messages.at(0).text.size(), 255u);
}

// A VRML file of many lines, so that reading reports its progress often.
std::string longVrmlFile() {
    std::string text = "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [\n";
    for (int i = 0; i < 2000; ++i) text += std::to_string(i) + " 0 0,\n";
    return text + "] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n";
}

TEST_F(LoadDriver, cancelWhileReadingEndsTheLoadAndKeepsTheMesh) {
    int32_t cancel = 0;
    auto& fake = recordingPlatform();
    fake.onDialogMessages = [&] {
        if (fake.dialogMessageCount == 100) cancel = 1;  // the user presses Cancel part way through
    };
    DisplayMesh mesh;
    mesh.makeCube(0, 1, 0);
    EXPECT_FALSE(mesh.loadModel(file("long.wrl", longVrmlFile()), kStatusWindow, &cancel));
    EXPECT_EQ(statusTexts().back(), "Canceling...");
    EXPECT_EQ(captions(), (std::vector<std::string>{"User Abort"}));
    EXPECT_EQ(fake.messages[0].text, "Operation Canceled.");
    EXPECT_EQ(mesh.vertexCount, 24);
    EXPECT_EQ(mesh.parts[0].color, (Vec3f{0, 1, 0}));
}

TEST_F(LoadDriver, cancelDuringTheConversionEndsTheLoadToo) {
    int32_t cancel = 0;
    auto& fake = recordingPlatform();
    // Cancel once the reader is done: the first look at the window after "Ready.".
    fake.onDialogMessages = [&] {
        if (!fake.dialogTexts.empty() && fake.dialogTexts.back().text == "Digesting data...") cancel = 1;
    };
    DisplayMesh mesh;
    EXPECT_FALSE(mesh.loadModel(file("two.wrl", std::string(kTriangle) + "Separator { Cube { } }\n"), kStatusWindow, &cancel));
    EXPECT_EQ(captions(), (std::vector<std::string>{"User Abort"}));
    EXPECT_EQ(statusTexts().back(), "Canceling...");
    EXPECT_EQ(mesh.partCount, 0);
}

TEST_F(LoadDriver, sharedModelsLoadAndBadOnesAreRefusedWithTheirReason) {
    const std::string root = GLOWPOND_SHARED_MODELS;
    for (const char* folder : {"/vrml1", "/3ds"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root + folder)) {
            SCOPED_TRACE(entry.path().string());
            recordingPlatform().messages.clear();
            DisplayMesh mesh;
            EXPECT_TRUE(mesh.loadModel(entry.path().string(), nullptr, nullptr));
            EXPECT_TRUE(recordingPlatform().messages.empty());
            EXPECT_GT(mesh.faceCount, 0);
        }
    }
    const std::pair<const char*, const char*> bad[] = {
        {"as_empty.3ds", "Error: Not a valid 3DS file."},
        {"o3v_wrong.3ds", "Error: Not a valid 3DS file."},
        {"as_helloworld_vrml2.wrl", "Error: VRML 2.0 not supported in this version."},
        {"as_wuson_vrml2.wrl", "Error: VRML 2.0 not supported in this version."},
        {"jj_mpf_terrain_gzip.wrz", "Error: Not a supported file type."},
        {"as_noext_testformatdetection", "Error: Not a supported file type."},
    };
    for (const auto& [name, caption] : bad) {
        SCOPED_TRACE(name);
        recordingPlatform().messages.clear();
        DisplayMesh mesh;
        EXPECT_FALSE(mesh.loadModel(root + "/bad/" + name, nullptr, nullptr));
        EXPECT_EQ(captions(), std::vector<std::string>{caption});
    }
}

}  // namespace
}  // namespace glowpond
