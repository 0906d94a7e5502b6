#include "loading/load_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "mesh/display_mesh.h"
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

using Messages = std::vector<std::pair<std::string, std::string>>;  // caption, text

Messages messages() {
    Messages out;
    for (const auto& m : recordingPlatform().messages) out.emplace_back(m.caption, m.text);
    recordingPlatform().messages.clear();
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
        bool exists = true;
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
        {"missing.wrl", "", "Error: Can't open this file.", false},
        {".3d", "", "Error: Not a supported file type.", false},
        {"", "", "Error: Not a supported file type.", false},
        {std::string(250, 'a') + "/x.wrl", "", "Error: The path of this file is too long.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.exists ? file(c.name, c.contents) : c.name;
        EXPECT_EQ(sniffModelFile(path), c.caption.empty());
        EXPECT_EQ(messages(), (c.caption.empty() ? Messages{} : Messages{{c.caption, path}}));
    }
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

TEST_F(LoadDriver, readErrorsAreShownAndOnlyAFileWithoutAReaderFailsTheLoad) {
    DisplayMesh mesh;
    mesh.makeCube(1, 0, 0);
    const std::string path = file("box.3dsx", "MM");
    EXPECT_FALSE(mesh.loadModel(path, nullptr, nullptr));
    EXPECT_EQ(messages(), (Messages{{"Error Message", "Unsupported file suffix 'dsx'\n"}, {"File read error.", path}}));
    EXPECT_EQ(mesh.vertexCount, 24);  // unchanged

    EXPECT_TRUE(mesh.loadModel(file("broken.wrl", "#VRML V1.0 ascii\nSeparator { Cube { width } }\n"), nullptr, nullptr));
    EXPECT_EQ(messages(), (Messages{{"Error Message", "parse error, line 2.\n"}}));

    // A file without geometry still gives a mesh: one empty part.
    ASSERT_TRUE(mesh.loadModel(file("empty.wrl", "#VRML V1.0 ascii\n"), nullptr, nullptr));
    EXPECT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount + mesh.faceCount, 0);
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
    EXPECT_EQ(messages(), (Messages{{"Error Message", "Read failed for 3ds file 'x.3ds'"}}));
}

TEST_F(LoadDriver, statusAndErrorTextsAreCutTo255Characters) {
    LoadContext context(kStatusWindow, nullptr);
    const std::string longText(400, 'x');
    context.status("%s", longText.c_str());
    context.error("%s", longText.c_str());
    EXPECT_EQ(statusTexts().at(0).size(), 255u);
    EXPECT_EQ(recordingPlatform().messages.at(0).text.size(), 255u);
}

// Cancel part way through reading a long file, or once the reader is done (the
// first look at the window after "Ready."): the load ends and the mesh stays.
TEST_F(LoadDriver, cancelWhileReadingOrConvertingEndsTheLoadAndKeepsTheMesh) {
    std::string longFile = "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [\n";
    for (int i = 0; i < 2000; ++i) longFile += std::to_string(i) + " 0 0,\n";
    longFile += "] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n";
    auto& fake = recordingPlatform();
    for (bool whileReading : {true, false}) {
        SCOPED_TRACE(whileReading);
        int32_t cancel = 0;
        fake.dialogTexts.clear();
        fake.onDialogMessages = [&] {
            const bool digesting = !fake.dialogTexts.empty() && fake.dialogTexts.back().text == "Digesting data...";
            if (whileReading ? fake.dialogMessageCount == 100 : digesting) cancel = 1;
        };
        DisplayMesh mesh;
        mesh.makeCube(0, 1, 0);
        const std::string contents = whileReading ? longFile : kTriangle + std::string("Separator { Cube { } }\n");
        EXPECT_FALSE(mesh.loadModel(file("long.wrl", contents), kStatusWindow, &cancel));
        EXPECT_EQ(statusTexts().back(), "Canceling...");
        EXPECT_EQ(messages(), (Messages{{"User Abort", "Operation Canceled."}}));
        EXPECT_EQ(mesh.vertexCount, 24);
        EXPECT_EQ(mesh.parts[0].color, (Vec3f{0, 1, 0}));
    }
}

TEST_F(LoadDriver, sharedModelsLoadAndBadOnesAreRefusedWithTheirReason) {
    const std::string root = GLOWPOND_SHARED_MODELS;
    for (const char* folder : {"/vrml1", "/3ds"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root + folder)) {
            SCOPED_TRACE(entry.path().string());
            DisplayMesh mesh;
            EXPECT_TRUE(mesh.loadModel(entry.path().string(), nullptr, nullptr));
            EXPECT_EQ(messages(), Messages{});
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
        const std::string path = root + "/bad/" + name;
        DisplayMesh mesh;
        EXPECT_FALSE(mesh.loadModel(path, nullptr, nullptr));
        EXPECT_EQ(messages(), (Messages{{caption, path}}));
    }
}

}  // namespace
}  // namespace glowpond
