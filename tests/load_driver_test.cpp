#include "loading/load_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include <tuple>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "importers/reader_table.h"
#include "loading/gzip_decompressor.h"
#include "loading/model_files.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

// The fixture is the loads' observer: it records what they tell, and cancels from when `cancelWhen` says so.
struct LoadDriver : ::testing::Test, LoadObserver {
    bool showsStatus() const override { return true; }
    void showStatus(const std::string& text) override { statuses.push_back(text); }
    void showError(const std::string& text, const std::string& title) override { shown += title + ": " + text + ";"; }
    bool cancelled() override { return cancel = cancel || (cancelWhen && cancelWhen()); }

    // The message boxes since the last call, each as "caption: text;".
    std::string errors() { return std::exchange(shown, ""); }

    testing::TempDir dir;
    std::vector<std::string> statuses;
    std::string shown;
    bool cancel = false;
    std::function<bool()> cancelWhen;
    GzipDecompressor gzip;
    LoadOptions tolerant{{}, &gzip};
};

TEST_F(LoadDriver, theContentCheckAdmitsEachFormatByItsSuffixRuleAndContentAndTheDispatcherPicksItsReader) {
    const std::string missing = "\1", tooLong = std::string(250, 'a') + "/x.wrl", v1 = "#VRML V1.0 ascii\n",
                      packed = testing::gzipped(v1 + "Cube { }");
    const std::string notVrml1 = "Error: Not a valid VRML 1.0 file.", not3ds = "Error: Not a valid 3DS file.",
                      unsupported = "Error: Not a supported file type.";
    const std::tuple<std::string, std::string, std::string> cases[] = {  // name, contents, refusal
        {"upper.WRL", v1, ""}, {"mixed.Wrl", v1, unsupported}, {"modelwrl", v1, ""},  // no dot is needed
        {"v2.wrl", "#VRML V2.0 utf8\n", "Error: VRML 2.0 not supported in this version."},
        {"late.wrl", "\n\n\n\n" + v1, ""}, {"later.wrl", "# a comment line first\n" + v1, notVrml1},  // 24 bytes
        {"utf16.wrl", std::string("#\0V\0R\0M\0L\0", 10), notVrml1}, {"empty.wrl", "", notVrml1},
        {"cube.wrz", packed, ""}, {"packed.wrl", packed, ""}, {"text.WRZ", v1, ""}, {"junk.wrz", "\x1f\x8bjunk", notVrml1},
        {"v2.wrz", testing::gzipped("#VRML V2.0 utf8\n"), "Error: VRML 2.0 not supported in this version."},
        {"box.3ds", "MM\x10\0\0\0", ""}, {"BOX.3DS", "MMxx", ""}, {"box.3dsx", "MM", ""}, {"one.3ds", "M", not3ds},
        {"text.3ds", "hello", not3ds}, {"packed.3ds", testing::gzipped("MM"), not3ds},  // only VRML comes packed
        // The later formats want a dot before their suffix, in any case, and their own content.
        {"model.OBJ", "v 0 0 0", ""}, {"modelobj", "v 0 0 0", unsupported}, {"x.Gltf", " {", ""},
        {"x.glb", "glTF\2\0\0\0", ""}, {"x.gltf", "[{}]", "Error: Not a valid glTF file."},
        {"x.ply", "ply\r\n", ""}, {"x.ply", "PLY\n", "Error: Not a valid PLY file."},
        {"x.stl", "solid x\n", ""}, {"x.stl", "", "Error: Not a valid STL file."},
        {"x.obj", std::string("\0v", 2), "Error: Not a valid OBJ file."}, {"x.obj.gz", "v 0 0 0", unsupported},
        {".3d", missing, unsupported},
        {"gone.wrl", missing, "Error: Can't open this file."}, {"", missing, unsupported},
        {tooLong, missing, "Error: The path of this file is too long."}};
    for (const auto& [name, contents, refusal] : cases) {
        const std::string path = contents == missing ? name : testing::writeFile(dir.path(name), contents);
        EXPECT_EQ(sniffModelFile(path, testing::fileOpener(), *this, tolerant), refusal.empty()) << name;
        EXPECT_EQ(errors(), refusal.empty() ? "" : refusal + ": " + path + ";") << name;
    }
    // The strict reading takes neither the suffix nor compressed files, and neither does a loader that
    // cannot unpack.
    for (const LoadOptions& options : {LoadOptions{{true}, &gzip}, LoadOptions{}}) {
        EXPECT_FALSE(sniffModelFile(dir.path("cube.wrz"), testing::fileOpener(), *this, options));
        EXPECT_FALSE(sniffModelFile(dir.path("packed.wrl"), testing::fileOpener(), *this, options));
        EXPECT_EQ(errors(),
                  unsupported + ": " + dir.path("cube.wrz") + ";" + notVrml1 + ": " + dir.path("packed.wrl") + ";");
    }
    // The reader the last three characters pick reads the file without a complaint, and the dispatcher
    // reports it ready.
    const std::string v1Text = v1 + "Cube { }\n", studio("MM\6\0\0\0", 6),
                      stl = "solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                            "endloop\nendfacet\nendsolid\n";
    const std::tuple<const char*, std::string, std::string> dispatches[] = {{"MODEL.3DS", studio, "Ready."},
        {"x.WrL", v1Text, "Ready."}, {"x.wrZ", v1Text, "Ready."}, {"modelwrl", v1Text, "Ready."},
        {"model.#ds", studio, "Unsupported file suffix '#ds'\n"}, {"ds", studio, "Unsupported file suffix 'ds'\n"},
        {"scene.wrl.gz", v1Text, "Unsupported file suffix '.gz'\n"}, {"x.STL", stl, "Ready."},
        {"xstl", stl, "Unsupported file suffix 'stl'\n"}};
    for (const auto& [name, contents, report] : dispatches) {
        testing::RecordingContext context;
        const ModelSource source{name, reinterpret_cast<const uint8_t*>(contents.data()), contents.size()};
        const bool read = dispatchModel(context, source, {}, true);
        EXPECT_EQ(std::make_pair(read, read ? context.statuses.back() : context.errors.at(0)),
                  std::make_pair(report == "Ready.", report)) << name;
        EXPECT_TRUE(read ? context.errors.empty() : context.statuses.empty()) << name;
    }
    testing::RecordingContext strict;
    EXPECT_FALSE(dispatchModel(strict, {"x.wrz"}, {true}, false));
    DisplayMesh mesh;
    const std::string path = dir.path("box.3dsx");
    EXPECT_FALSE(ModelLoader(testing::fileOpener(), tolerant).load(path, mesh, *this));
    EXPECT_EQ(errors(), "Error Message: Unsupported file suffix 'dsx'\n;File read error.: " + path + ";");
    EXPECT_TRUE(ModelLoader(testing::fileOpener(), tolerant).load(dir.path("cube.wrz"), mesh, *this) && mesh.faceCount == 6);
    // A scene without geometry still gives a mesh: one empty part.
    const std::string empty = testing::writeFile(dir.path("empty.wrl"), "#VRML V1.0 ascii\n");
    ASSERT_TRUE(ModelLoader(testing::fileOpener()).load(empty, mesh, *this));
    EXPECT_EQ(std::make_tuple(mesh.partCount, mesh.vertexCount, mesh.faceCount), std::make_tuple(1, 0, 0));
}

TEST_F(LoadDriver, aModelInMemoryLoadsAsTheFileOfItsNameAndContentWould) {
    const std::string v1 = "#VRML V1.0 ascii\nSeparator { Material { diffuseColor 0 0 1 } Cube { } }\n";
    const std::vector<std::pair<std::string, std::string>> files = {{"cube.wrl", v1},
        {"cube.wrz", testing::gzipped(v1)},
        {"v2.wrl", "#VRML V2.0 utf8\n"}, {"model.obj", "v 0 0 0\n"}, {"broken.wrl", "#VRML V1.0 ascii\nCube {"},
        {"rocket.3ds", testing::readFile(GLOWPOND_SAMPLE_MODELS "/rocket.3ds")}};
    ModelLoader fromFiles(testing::fileOpener(), tolerant), fromBytes(testing::fileOpener(), tolerant);
    for (const auto& [name, contents] : files) {
        const std::string path = testing::writeFile(dir.path(name), contents);
        DisplayMesh a, b;
        const bool fileLoaded = fromFiles.load(path, a, *this);
        const std::string fileSaid = errors();
        const std::vector<std::string> fileStatuses = std::exchange(statuses, {});
        const ModelSource source{path, reinterpret_cast<const uint8_t*>(contents.data()), contents.size()};
        EXPECT_EQ(fromBytes.load(source, b, *this), fileLoaded) << name;
        EXPECT_EQ(std::make_pair(errors(), statuses), std::make_pair(fileSaid, fileStatuses)) << name;
        EXPECT_EQ(std::tie(a.vertexCount, a.faceCount, a.bounds), std::tie(b.vertexCount, b.faceCount, b.bounds))
            << name;
        statuses.clear();
    }
    // A companion is read from the model's folder, and nothing outside it.
    std::filesystem::create_directory(dir.path("maps"));
    testing::writeFile(dir.path("maps/wood.txt"), "grain");
    FolderResolver folder(testing::fileOpener(), dir.root() + "/");
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(folder.read("maps/../maps/./wood.txt", bytes) && bytes.size() == 5);
    for (const char* outside : {"../x", "maps/../../x", "/etc/passwd", "\\server\\x", "C:x", "http://x/y", ""}) {
        EXPECT_FALSE(FolderResolver::staysInside(outside)) << outside;
    }
    EXPECT_FALSE(folder.read("maps/gone.txt", bytes) || !bytes.empty());
}

TEST_F(LoadDriver, aFailedUnpackingPassesTheCheckAndIsTheReadersError) {
    // What a failed unpacking shows: the head passes the check, the reader reports the failure.
    struct Failing final : Decompressor {
        Result result;
        explicit Failing(Result r) : result(r) {}
        bool recognises(const uint8_t* data, size_t) const override { return data[0] == 'Z'; }
        Result unpack(const uint8_t*, size_t, size_t, std::vector<uint8_t>& text, uint64_t&) const override {
            const std::string head = "#VRML V1.0 ascii\nCube { }";
            text.assign(head.begin(), head.end());
            return result;
        }
    };
    const std::string path = testing::writeFile(dir.path("big.wrz"), "Z");
    // A file this small may unpack to the free amount only: more is too dense.
    for (const auto& [result, text] : {std::pair(Decompressor::Result::TooLarge, kUnpackedTooDense),
                                       std::pair(Decompressor::Result::Damaged, kPackedDamaged)}) {
        Failing failing(result);
        DisplayMesh mesh;
        EXPECT_TRUE(ModelLoader(testing::fileOpener(), LoadOptions{{}, &failing}).load(path, mesh, *this));
        EXPECT_EQ(std::make_tuple(errors(), mesh.faceCount),
                  std::make_tuple("Error Message: " + std::string(text) + ".\n;", 0));
    }
}

TEST_F(LoadDriver, membersUnpackWholeBytesAfterThemAreCountedAndDenseDataIsRefused) {
    const std::string packed = testing::gzipped("#VRML V1.0 ascii\nCube { }"), cut = packed.substr(0, packed.size() - 4);
    const std::string twoMembers = testing::gzipped("#VRML V1.0 ascii\n") + testing::gzipped("Cube { }") + "xyz";
    using Result = Decompressor::Result;
    std::vector<uint8_t> out;
    for (const auto& [contents, result, ignored] :
         {std::tuple(packed + "\n", Result::Whole, uint64_t{1}), std::tuple(twoMembers, Result::Whole, uint64_t{3}),
          std::tuple(packed + std::string(70000, '\0'), Result::Whole, uint64_t{70000}),
          std::tuple(packed + "\x1f\x8b\x08junk", Result::Whole, uint64_t{7}),
          std::tuple(packed + packed.substr(0, 20), Result::Damaged, uint64_t{0}),
          std::tuple(cut, Result::Damaged, uint64_t{0})}) {
        uint64_t counted = 99;
        EXPECT_EQ(gzip.unpack(reinterpret_cast<const uint8_t*>(contents.data()), contents.size(), 1000, out, counted),
                  result);
        EXPECT_EQ(counted, ignored);
        // Members one after another unpack whole.
        EXPECT_TRUE(result != Result::Whole || std::string(out.begin(), out.end()) == "#VRML V1.0 ascii\nCube { }");
    }
    uint64_t counted = 0;
    EXPECT_EQ(gzip.unpack(reinterpret_cast<const uint8_t*>(twoMembers.data()), twoMembers.size(), 20, out, counted),
              Result::TooLarge);
    EXPECT_EQ(out.size(), 20u);
    // Beyond 16 MB, no more than 32 times the packed size: text that packs
    // tighter is repetition made to fill memory.
    EXPECT_EQ(std::tuple(unpackedLimit(0, 1 << 30), unpackedLimit(1 << 20, 1 << 30), unpackedLimit(SIZE_MAX, 99)),
              std::tuple(kFreelyUnpackedBytes, size_t{32} << 20, size_t{99}));
    const std::string blanks = "#VRML V1.0 ascii\nCube { }" + std::string(kFreelyUnpackedBytes, ' ');
    const std::string dense = testing::gzipped(blanks);
    DisplayMesh mesh;
    ModelLoader(testing::fileOpener(), LoadOptions{{}, &gzip})
        .load(testing::writeFile(dir.path("dense.wrz"), dense), mesh, *this);
    EXPECT_EQ(errors(), "Error Message: " + std::string(kUnpackedTooDense) + ".\n;");
}

TEST_F(LoadDriver, aStatusTextWithinTheLastOneOfAnyFileIsNotShownReadyIsShownAsDigestingAndCancelStopsALoad) {
    std::string last;
    LoadContext context(*this, last);
    // A repeat, a part of the last text, and "Ready." again, in this file and the next.
    for (const char* text : {"Reading object 'Body'", "Reading object 'Body'", "Reading object", "Ready.", "Ready."}) {
        context.status("%s", text);
    }
    LoadContext(*this, last).status("Ready.");
    context.status("%s", std::string(400, 'x').c_str());
    cancel = true;
    context.status("Reading object");
    EXPECT_EQ(statuses, (std::vector<std::string>{"Reading object 'Body'", "Digesting data...", std::string(255, 'x'),
                                                  "Canceling..."}));

    // Cancel part way through reading a long file, or as the traversal of what was read begins: the
    // load ends and the mesh stays as it was.
    std::string contents = "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [\n";
    for (int i = 0; i < 2000; ++i) contents += std::to_string(i) + " 0 0,\n";
    const std::string path =
        testing::writeFile(dir.path("long.wrl"), contents + "] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n");
    for (bool whileReading : {true, false}) {
        statuses.clear();
        cancel = false;
        cancelWhen = [&, checks = 0]() mutable {
            const bool read = !statuses.empty() && statuses.back() == "Digesting data...";
            return (whileReading || read) && ++checks == (whileReading ? 100 : 2);
        };
        DisplayMesh mesh;
        mesh.makeCube(0, 1, 0);
        EXPECT_FALSE(ModelLoader(testing::fileOpener()).load(path, mesh, *this)) << whileReading;
        EXPECT_EQ(std::make_tuple(statuses.back(), errors(), mesh.vertexCount, mesh.parts[0].color),
                  std::make_tuple("Canceling...", "User Abort: Operation Canceled.;", 24, Vec3f{0, 1, 0}));
    }
}

// An opener that hands out what the build's opener opens, or nothing, and remembers every path.
struct WatchedOpener final : ModelFileOpener {
    OpenedFile open(const std::string& path) override {
        opened.push_back(path);
        return refuse ? nullptr : testing::fileOpener().open(path);
    }
    std::vector<std::string> opened;
    bool refuse = false;
};

TEST_F(LoadDriver, aLoadOpensItsFileOnceThroughItsOpenerAndAnOpenerRefusalIsCantOpen) {
    const std::string v1 = "#VRML V1.0 ascii\nCube { }\n";
    for (const auto& [name, contents] : {std::pair("cube.wrl", v1), std::pair("cube.wrz", testing::gzipped(v1)),
                                         std::pair("box.3ds", std::string("MM\x06\0\0\0", 6))}) {
        WatchedOpener opener;
        const std::string path = testing::writeFile(dir.path(name), contents);
        DisplayMesh mesh;
        ModelLoader(opener, tolerant).load(path, mesh, *this);
        EXPECT_EQ(opener.opened, std::vector<std::string>{path}) << name;
        errors();
        opener.refuse = true;
        EXPECT_FALSE(ModelLoader(opener, tolerant).load(path, mesh, *this));
        EXPECT_EQ(errors(), "Error: Can't open this file.: " + path + ";");
    }
}

// The chooser's "All models" and per-format filters come from the table: a
// format added there is offered without another edit.
TEST(ModelChooser, offersAllModelsFirstAndThenEveryFormatOfTheTableWithEachSuffix) {
    const std::string filter = modelChooserFilter();
    std::vector<std::string> texts;
    for (size_t at = 0; at < filter.size(); at = filter.find('\0', at) + 1) {
        texts.push_back(filter.substr(at, filter.find('\0', at) - at));
    }
    ASSERT_EQ(texts.size(), 2 * (readerTable().size() + 1));
    EXPECT_EQ(texts[0], "All models (" + texts[1] + ")");
    for (size_t i = 0; i < readerTable().size(); ++i) {
        const ReaderEntry& entry = readerTable()[i];
        const std::string& label = texts[2 * i + 2];
        const std::string patterns = ";" + texts[2 * i + 3] + ";";
        EXPECT_EQ(label, std::string(entry.filterLabel) + " (" + texts[2 * i + 3] + ")");
        std::istringstream suffixes(entry.suffixes);
        for (std::string suffix; suffixes >> suffix;) {
            EXPECT_NE(patterns.find(";*." + suffix + ";"), std::string::npos) << label;
            EXPECT_NE((";" + texts[1] + ";").find(";*." + suffix + ";"), std::string::npos) << suffix;
        }
    }
    EXPECT_NE(texts[1].find("*.gltf;*.glb"), std::string::npos);
}

TEST(ModelFiles, windowsDevicesStreamsAndDeviceNamespacesAreToldFromFilesWhereverTheyStand) {
    for (const char* device : {"\\\\.\\pipe\\x.wrl", "//./pipe/x.wrl", "\\\\?\\C:\\m.wrl", "\\??\\C:\\m.wrl",
                               "\\\\.\\COM1", "COM1.wrl", "C:\\models\\com1.wrl", "c:/x/Lpt9.3ds", "nul", "CON.x.wrl",
                               "aux .wrl", "C:PRN.wrl", "conout$.wrl", "Clock$.wrl", "COM\xB9.wrl", "lpt\u00B3.3ds",
                               "m.wrl:stream", "C:\\m.wrl::$DATA", "\\\\host\\share\\m.wrl:x"}) {
        EXPECT_TRUE(namesWindowsDevice(device)) << device;
    }
    for (const char* file : {"C:\\models\\m.wrl", "\\\\host\\share\\m.wrl", "models\\m.3ds", "COM10.wrl",
                             "COM0.wrl", "LPT.wrl", "COM\u00B9\u00B9.wrl",
                             "console.wrl", "C:\\CON\\m.wrl", "NULL.wrl", "m.con", "mycom1.wrl",
                             "/home/u/m.wrl"}) {
        EXPECT_FALSE(namesWindowsDevice(file)) << file;
    }
}

// Only plain files on disk open; whatever else a path names is refused at once, never waited on.
TEST(ModelFiles, theProgramsOpenerOpensPlainFilesOnlyAndNeverWaits) {
    testing::TempDir dir;
    ModelFileOpener& opener = testing::fileOpener();
    const OpenedFile model = opener.open(testing::writeFile(dir.path("m.wrl"), "#VRML V1.0 ascii\n"));
    char head[6] = {};
    ASSERT_TRUE(model && std::fread(head, 1, 5, model.get()) == 5);
    EXPECT_STREQ(head, "#VRML");
    std::vector<std::string> refused = {dir.root(), dir.path("missing.wrl")};
#ifdef _WIN32
    for (const char* name : {"COM1.wrl", "NUL.wrl", "\\\\.\\pipe\\glowpond.wrl", "CONIN$"}) refused.push_back(name);
    refused.push_back(dir.path("m.wrl") + ":stream");
#else
    ASSERT_EQ(mkfifo(dir.path("fifo.wrl").c_str(), 0600), 0);
    for (const std::string& other : {dir.path("fifo.wrl"), std::string("/dev/null"), std::string("/dev/tty")}) {
        refused.push_back(other);
    }
#endif
    for (const std::string& path : refused) EXPECT_FALSE(opener.open(path)) << path;
}

// Paths are UTF-8 throughout; on Windows the opener hands the system their UTF-16.
TEST_F(LoadDriver, aModelNamedBeyondTheCodePageInAFolderSoNamedLoadsAndIsNamedRightWhenMissing) {
    namespace fs = std::filesystem;
    const std::string folder = dir.path("Unicode \u2764\u267B Test"), name = "Unicode \u2764\u267B Test.wrl";
    fs::create_directories(fs::u8path(folder));
    const std::string model = (fs::u8path(folder) / fs::u8path(name)).u8string();
    fs::copy_file(fs::u8path(GLOWPOND_SAMPLE_MODELS "/lava_lamp.wrl"), fs::u8path(model));
    ModelLoader loader(testing::fileOpener(), tolerant);
    DisplayMesh mesh;
    EXPECT_TRUE(loader.admits(model, *this));
    ASSERT_TRUE(loader.load(model, mesh, *this)) << errors();
    EXPECT_GT(mesh.faceCount, 100);
    // Companions so named are found in the model's folder.
    FolderResolver companions(testing::fileOpener(), folderOf(model));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(companions.read(name, bytes) && bytes.size() == fs::file_size(fs::u8path(model)));
    const std::string gone = (fs::u8path(folder) / fs::u8path("\u00E9t\u00E9 \u2764.wrl")).u8string();
    EXPECT_FALSE(loader.load(gone, mesh, *this));
    EXPECT_EQ(errors(), "Error: Can't open this file.: " + gone + ";");
}

TEST_F(LoadDriver, theReadersNotesEndTheLoadSoThatTheStatusWindowKeepsThemInView) {
    const std::string v1 = "#VRML V1.0 ascii\n", cube = "Cube { }\n", vendor = "Material { reflSpecular 0 0 0 }\n";
    const std::pair<std::string, std::string> cases[] = {
        {v1 + cube, "Digesting data..."},
        {v1 + vendor + cube, "Skipped unknown field 'reflSpecular', line 2."},
        {v1 + vendor + "Material { alphaChannel \"TEST\" }\nNavigationInfo { headlight FALSE }\n" + cube,
         "Skipped 2 unknown fields and 1 unknown node; see glowpond-info --status."},
        {testing::gzipped(v1 + "Viewpoint { jump TRUE }\n" + cube) + "\r\n",
         "Skipped 1 unknown node and 2 bytes after the compressed data; see glowpond-info --status."}};
    for (const auto& [contents, last] : cases) {
        statuses.clear();
        DisplayMesh mesh;
        const std::string path = testing::writeFile(dir.path("notes.wrl"), contents);
        ASSERT_TRUE(ModelLoader(testing::fileOpener(), tolerant).load(path, mesh, *this));
        EXPECT_EQ(statuses.back(), last);
    }
}

}  // namespace
}  // namespace glowpond
