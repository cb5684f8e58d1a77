#include "rig/DataFiles.h"

#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace meldrix {
namespace {

using testsupport::readBytes;
using testsupport::writeBytes;
namespace fs = std::filesystem;

std::vector<std::uint8_t> imageBytes(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return { bytes, bytes + size };
}

class DataFilesTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<Rig> rig = testsupport::rigAtStartValues();
    std::string base = dir.file("Rig1");
};

TEST_F(DataFilesTest, RandomBytesSurviveLoadAndSaveUnchanged)
{
    std::uint32_t seed = 1;
    for (const DataFile file : AllDataFiles) {
        const auto bytes = testsupport::randomBytes(fileSizeOf(file), seed++);
        writeBytes(base + std::string(extensionOf(file)), bytes);
    }
    OpenAllByBase(*rig, base);
    SetFileNamesFromBase(*rig, dir.file("Copy"));
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    seed = 1;
    for (const DataFile file : AllDataFiles) {
        const auto saved = readBytes(dir.file("Copy") + std::string(extensionOf(file)));
        auto expected = testsupport::randomBytes(fileSizeOf(file), seed++);
        if (file == DataFile::Inp) // Defined is recomputed on load, nothing else is
            for (int i = 1; i <= MaxInputGases; ++i)
                expected[static_cast<std::size_t>(i - 1) * sizeof(GasRecord) + 328] =
                    rig->InputGases[i].Defined;
        EXPECT_EQ(saved, expected) << extensionOf(file);
    }
}

TEST_F(DataFilesTest, StartValuesHaveTheFileSizesOfTheLayouts)
{
    SetFileNamesFromBase(*rig, base);
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    EXPECT_EQ(fs::file_size(base + ".INP"), 5376u);
    EXPECT_EQ(fs::file_size(base + ".MIX"), 1664u);
    EXPECT_EQ(fs::file_size(base + ".CAL"), 384000u);
    EXPECT_EQ(fs::file_size(base + ".CEL"), 576u);
    const auto mix = readBytes(base + ".MIX");
    // Stage 2 of the start values: Input 1 at offset 56, Output 1 at 58, "H2O" at 60.
    EXPECT_EQ(mix[104 + 56], 1);
    EXPECT_EQ(mix[104 + 58], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&mix[104 + 60]), 4), "\3H2O");
}

TEST_F(DataFilesTest, ReadsFieldsAtTheirDocumentedOffsets)
{
    // A cells file written byte by byte as another program would write it.
    std::vector<std::uint8_t> cel(576, 0);
    const auto put = [&](std::size_t at, const void* data, std::size_t size) {
        std::memcpy(&cel[at], data, size);
    };
    const double pressure = 1.5, temp = 850.0, leakH2 = 2e-6;
    const std::uint16_t mix = 3;
    put(72 + 0, "\4Oven", 5);
    put(72 + 16, &pressure, 8);
    put(72 + 24, &temp, 8);
    put(72 + 32, &mix, 2);
    cel[72 + 34] = 1;
    put(72 + 56, &leakH2, 8);
    writeBytes(base + ".CEL", cel);
    rig->CelFileName = base + ".CEL";
    const LoadResult result = LoadCells(*rig);
    EXPECT_TRUE(result.read);
    EXPECT_EQ(result.problem, "");
    const CellRecord& cell = rig->Cells[2];
    EXPECT_EQ(cell.Name.view(), "Oven");
    EXPECT_EQ(cell.Pressure, 1.5);
    EXPECT_EQ(cell.Temp, 850.0);
    EXPECT_EQ(cell.Mix, 3);
    EXPECT_EQ(cell.EquilDone, 1);
    EXPECT_EQ(cell.LeakH2, 2e-6);
    EXPECT_EQ(rig->Cells[1].Mix, 0);
}

TEST_F(DataFilesTest, AShortFileFillsOnlyTheBytesItHolds)
{
    const auto before = imageBytes(&rig->Flowmeters[1], sizeof(FlowmeterRecord) * 16);
    const auto bytes = testsupport::randomBytes(104 + 50, 7);
    writeBytes(base + ".MIX", bytes);
    rig->MixFileName = base + ".MIX";
    const LoadResult result = LoadMixer(*rig);
    EXPECT_TRUE(result.read);
    EXPECT_EQ(result.problem,
        "The mixer file '" + base + ".MIX' is damaged: it holds 154 bytes instead of 1664.");
    const auto after = imageBytes(&rig->Flowmeters[1], sizeof(FlowmeterRecord) * 16);
    for (std::size_t i = 0; i < after.size(); ++i)
        ASSERT_EQ(after[i], i < bytes.size() ? bytes[i] : before[i]) << "byte " << i;
}

TEST_F(DataFilesTest, ALongFileGivesItsFirstRecordsOnly)
{
    auto bytes = testsupport::randomBytes(576 + 100, 9);
    writeBytes(base + ".CEL", bytes);
    rig->CelFileName = base + ".CEL";
    const LoadResult result = LoadCells(*rig);
    EXPECT_TRUE(result.read);
    EXPECT_NE(result.problem.find("holds 676 bytes instead of 576"), std::string::npos);
    bytes.resize(576);
    EXPECT_EQ(imageBytes(&rig->Cells[1], 576), bytes);
}

TEST_F(DataFilesTest, AFileThatCannotBeReadLeavesItsArrayAlone)
{
    const auto before = imageBytes(&rig->Cells[1], 576);
    fs::create_directory(base + ".CEL");
    ASSERT_EQ(::mkfifo((base + ".MIX").c_str(), 0644), 0);
    struct Case {
        std::string path;
        const char* reason;
    };
    for (const Case& c : { Case { base + ".CEL", "not a regular file" },
             Case { dir.file("missing.CEL"), "No such file or directory" } }) {
        rig->CelFileName = c.path;
        const LoadResult result = LoadCells(*rig);
        EXPECT_FALSE(result.read);
        EXPECT_EQ(result.problem,
            "Could not read the output cells file '" + c.path + "': " + c.reason + ".");
        EXPECT_EQ(imageBytes(&rig->Cells[1], 576), before);
    }
    rig->MixFileName = base + ".MIX"; // a FIFO with no writer must not block
    EXPECT_FALSE(LoadMixer(*rig).read);
}

TEST_F(DataFilesTest, AnEmptyFileIsReadAndReportedAsDamaged)
{
    const auto before = imageBytes(&rig->InputGases[1], 5376);
    writeBytes(base + ".INP", {});
    rig->InpFileName = base + ".INP";
    const LoadResult result = LoadInputGases(*rig);
    EXPECT_TRUE(result.read);
    EXPECT_NE(result.problem.find("holds 0 bytes instead of 5376"), std::string::npos);
    EXPECT_EQ(imageBytes(&rig->InputGases[1], 5376), before);
}

TEST_F(DataFilesTest, AReadOnlyFileLoads)
{
    SetFileNamesFromBase(*rig, base);
    rig->Cells[4].Name = "Furnace";
    ASSERT_EQ(SaveCells(*rig), std::nullopt);
    fs::permissions(base + ".CEL", fs::perms::owner_read);
    auto other = testsupport::rigAtStartValues();
    other->CelFileName = base + ".CEL";
    EXPECT_TRUE(LoadCells(*other).read);
    EXPECT_EQ(other->Cells[4].Name.view(), "Furnace");
}

TEST_F(DataFilesTest, ReportsTheFirstStoredValueThatPointsOutsideTheArrays)
{
    struct Case {
        DataFile file;
        std::function<void(Rig&)> damage;
        std::string fault;
    };
    const std::vector<Case> cases {
        { DataFile::Mix, [](Rig& r) { r.Flowmeters[3].Input = 40; },
            "stage 3 has Input 40, outside 1..32" },
        { DataFile::Mix, [](Rig& r) { r.Flowmeters[5].Input = 0; },
            "stage 5 has Input 0, outside 1..32" },
        { DataFile::Mix, [](Rig& r) { r.Flowmeters[2].Output = 17; },
            "stage 2 has Output 17, outside 0..16" },
        { DataFile::Cel, [](Rig& r) { r.Cells[6].Mix = 300; },
            "cell 6 has Mix 300, outside 0..16" },
        { DataFile::Cal, [](Rig& r) { r.CalCurves[999].Flowmeter = 17; },
            "curve 999 has Flowmeter 17, outside 0..16" },
    };
    for (const Case& c : cases) {
        auto damaged = testsupport::rigAtStartValues();
        SetFileNamesFromBase(*damaged, base);
        c.damage(*damaged);
        ASSERT_EQ(SaveDataFile(*damaged, c.file), std::nullopt);
        fileNameOf(*rig, c.file) = fileNameOf(*damaged, c.file);
        const LoadResult result = LoadDataFile(*rig, c.file);
        EXPECT_TRUE(result.read);
        EXPECT_NE(result.problem.find("is damaged: " + c.fault + "."), std::string::npos)
            << result.problem;
    }
    // Output 0 and Mix 0 mean "not connected" and are no damage.
    auto clean = testsupport::rigAtStartValues();
    clean->Flowmeters[1].Output = 0;
    clean->Cells[1].Mix = 0;
    SetFileNamesFromBase(*clean, dir.file("Clean"));
    ASSERT_EQ(SaveAll(*clean), std::nullopt);
    for (const LoadResult& result : OpenAllByBase(*clean, dir.file("Clean")))
        EXPECT_EQ(result.problem, "");
}

TEST_F(DataFilesTest, AFailedSaveLeavesTheOldFileWholeAndSaysWhy)
{
    SetFileNamesFromBase(*rig, base);
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    const auto before = readBytes(base + ".CEL");
    if (::geteuid() != 0) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        rig->Cells[1].Name = "Changed";
        const auto error = SaveCells(*rig);
        fs::permissions(dir.path(), fs::perms::owner_all);
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find("Permission denied"), std::string::npos);
        EXPECT_EQ(readBytes(base + ".CEL"), before);
    }
    rig->CelFileName = dir.file("no-such-folder/Rig1.CEL");
    const auto error = SaveCells(*rig);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error,
        "Could not save the output cells file '" + rig->CelFileName
            + "': No such file or directory.");
}

TEST_F(DataFilesTest, SaveAllWritesNothingWhenOneFileCannotBeWritten)
{
    SetFileNamesFromBase(*rig, base);
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    const auto inp = readBytes(base + ".INP");
    fs::remove(base + ".CAL");
    fs::create_directory(base + ".CAL"); // a folder in the way of the third file
    rig->InputGases[1].Name = "Argon";
    const auto error = SaveAll(*rig);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error,
        "Could not save the calibrations file '" + base + ".CAL': it is not a regular file.");
    EXPECT_EQ(readBytes(base + ".INP"), inp);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 4u) << "no temporary file is left behind";
}

TEST_F(DataFilesTest, SavingThroughALinkReplacesTheLinkedFile)
{
    SetFileNamesFromBase(*rig, base);
    ASSERT_EQ(SaveCells(*rig), std::nullopt);
    fs::create_symlink(base + ".CEL", dir.file("Link.CEL"));
    rig->CelFileName = dir.file("Link.CEL");
    rig->Cells[2].Name = "Linked";
    ASSERT_EQ(SaveCells(*rig), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dir.file("Link.CEL")));
    auto other = testsupport::rigAtStartValues();
    other->CelFileName = base + ".CEL";
    LoadCells(*other);
    EXPECT_EQ(other->Cells[2].Name.view(), "Linked");
}

TEST_F(DataFilesTest, OpenAllLeavesTheArrayOfAMissingFileUnchanged)
{
    auto source = testsupport::rigAtStartValues();
    source->Flowmeters[1].Make = "Rota";
    source->Cells[1].Name = "Hot";
    SetFileNamesFromBase(*source, base);
    ASSERT_EQ(SaveAll(*source), std::nullopt);
    fs::remove(base + ".CEL");
    rig->Cells[1].Name = "Kept";
    const auto results = OpenAllByBase(*rig, base);
    EXPECT_TRUE(results[0].read && results[1].read && results[2].read);
    EXPECT_FALSE(results[3].read);
    EXPECT_EQ(rig->Flowmeters[1].Make.view(), "Rota");
    EXPECT_EQ(rig->Cells[1].Name.view(), "Kept");
    EXPECT_EQ(rig->CelFileName, base + ".CEL");
}

struct BaseNameCase {
    std::string (*baseName)(std::string_view);
    const char* name;
    const char* expected;
};

class BaseNameTest : public ::testing::TestWithParam<BaseNameCase> { };

TEST_P(BaseNameTest, RemovesOnlyTheFileNamesExtension)
{
    const auto& [baseName, name, expected] = GetParam();
    EXPECT_EQ(baseName(name), expected) << name;
}

// BaseNameOfPath drops any extension of the file name, and a dot in a folder name stays;
// DataSetBaseName drops only the extension of one of the four data files, in either case, or the
// suffix of the settings file.
INSTANTIATE_TEST_SUITE_P(DataFiles, BaseNameTest,
    ::testing::Values(BaseNameCase { BaseNameOfPath, "/data/Rig1.CEL", "/data/Rig1" },
        BaseNameCase { BaseNameOfPath, "/data/Run.2/Rig1.CEL", "/data/Run.2/Rig1" },
        BaseNameCase { BaseNameOfPath, "/data/Run.2/Rig1", "/data/Run.2/Rig1" },
        BaseNameCase { BaseNameOfPath, "/data/Rig.v2.MIX", "/data/Rig.v2" },
        BaseNameCase { BaseNameOfPath, "Rig1.INP", "Rig1" },
        BaseNameCase { BaseNameOfPath, "/data/.CEL", "/data/" },
        BaseNameCase { DataSetBaseName, "/data/Rig1.MIX", "/data/Rig1" },
        BaseNameCase { DataSetBaseName, "Rig1.cel", "Rig1" },
        BaseNameCase { DataSetBaseName, "/data/Rig1", "/data/Rig1" },
        BaseNameCase { DataSetBaseName, "/data/Run.2", "/data/Run.2" },
        BaseNameCase { DataSetBaseName, "/data/Run.2/Rig", "/data/Run.2/Rig" },
        BaseNameCase { DataSetBaseName, "/data/Rig.INPX", "/data/Rig.INPX" },
        BaseNameCase { BaseNameOfPath, "/data/Run.2/Rig1.settings.json", "/data/Run.2/Rig1" },
        BaseNameCase { DataSetBaseName, "Rig1.settings.json", "Rig1" },
        BaseNameCase { DataSetBaseName, "/data/Rig1.json", "/data/Rig1.json" }));

} // namespace
} // namespace meldrix
