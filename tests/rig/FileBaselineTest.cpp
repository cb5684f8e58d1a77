#include "rig/DataFiles.h"
#include "rig/StartUp.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace meldrix {
namespace {

using testsupport::readBytes;
using testsupport::writeBytes;

class FileBaselineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartUp(*rig, base); // nothing there yet: the start values are the last-read state
    }
    bool anyChange() const
    {
        for (const DataFile file : AllDataFiles)
            if (HasUnsavedChanges(*rig, file))
                return true;
        return false;
    }

    testsupport::TempDir dir;
    std::unique_ptr<Rig> rig = testsupport::freshRig();
    std::string base = dir.file("Rig1");
};

TEST_F(FileBaselineTest, StartValuesAreNoChange)
{
    EXPECT_FALSE(anyChange());
}

TEST_F(FileBaselineTest, AnEditUndoneByHandIsNoChange)
{
    const double before = rig->Flowmeters[4].Reading;
    rig->Flowmeters[4].Reading = 60.0;
    EXPECT_TRUE(HasUnsavedChanges(*rig, DataFile::Mix));
    EXPECT_FALSE(HasUnsavedChanges(*rig, DataFile::Inp));
    EXPECT_FALSE(HasUnsavedChanges(*rig, DataFile::Cel));
    rig->Flowmeters[4].Reading = before;
    EXPECT_FALSE(anyChange());
    // A byte nobody sees counts too: it would be saved.
    rig->Cells[8].Gap2[1] = 7;
    EXPECT_TRUE(HasUnsavedChanges(*rig, DataFile::Cel));
}

TEST_F(FileBaselineTest, SavesAndSuccessfulLoadsAreTheNewState)
{
    rig->Cells[1].Temp = 812.5;
    SetFileNamesFromBase(*rig, base);
    ASSERT_EQ(SaveDataFile(*rig, DataFile::Cel), std::nullopt);
    EXPECT_FALSE(anyChange());

    rig->Cells[1].Temp = 20.0;
    rig->Flowmeters[2].Reading = 3.0;
    ASSERT_EQ(SaveAll(*rig), std::nullopt);
    EXPECT_FALSE(anyChange());

    rig->Cells[1].Temp = 99.0;
    ASSERT_TRUE(LoadCells(*rig).read);
    EXPECT_EQ(rig->Cells[1].Temp, 20.0);
    EXPECT_FALSE(anyChange());

    // A file that cannot be read leaves the records, and so their changes, as they were.
    rig->Cells[1].Temp = 99.0;
    rig->CelFileName = dir.file("missing.CEL");
    EXPECT_FALSE(LoadCells(*rig).read);
    EXPECT_TRUE(HasUnsavedChanges(*rig, DataFile::Cel));
}

TEST_F(FileBaselineTest, ADamagedFileIsNamedUntilItIsWritten)
{
    // A cells file opened as the mixer.
    writeBytes(dir.file("Lab1.CEL"), testsupport::randomBytes(576, 3));
    rig->MixFileName = dir.file("Lab1.CEL");
    const LoadResult result = LoadMixer(*rig);
    ASSERT_TRUE(result.read);
    EXPECT_EQ(result.reason, "576 bytes instead of 1664");
    EXPECT_FALSE(HasUnsavedChanges(*rig, DataFile::Mix)) << "the records as read are no change";
    EXPECT_EQ(DamagedTargetNote(*rig, DataFile::Mix),
        "Lab1.CEL was read as a damaged mixer file (576 bytes instead of 1664).");
    EXPECT_EQ(DamagedTargetNote(*rig, DataFile::Cel), std::nullopt);

    // Another name is another target; back on the damaged one, the note is back.
    rig->MixFileName = dir.file("Other.MIX");
    EXPECT_EQ(DamagedTargetNote(*rig, DataFile::Mix), std::nullopt);
    rig->MixFileName = dir.file("Lab1.CEL");
    ASSERT_EQ(SaveMixer(*rig), std::nullopt);
    EXPECT_EQ(DamagedTargetNote(*rig, DataFile::Mix), std::nullopt);
    EXPECT_EQ(readBytes(dir.file("Lab1.CEL")).size(), 1664u);

    // A whole file read after a damaged one clears the note.
    rig->Flowmeters[1].Input = 40;
    ASSERT_EQ(SaveMixer(*rig), std::nullopt);
    EXPECT_TRUE(LoadMixer(*rig).read);
    EXPECT_NE(DamagedTargetNote(*rig, DataFile::Mix), std::nullopt);
    rig->Flowmeters = testsupport::rigAtStartValues()->Flowmeters;
    ASSERT_EQ(SaveMixer(*rig), std::nullopt);
    EXPECT_TRUE(LoadMixer(*rig).problem.empty());
    EXPECT_EQ(DamagedTargetNote(*rig, DataFile::Mix), std::nullopt);
}

TEST_F(FileBaselineTest, SummarisesTheLoadsOfOneCommand)
{
    const auto missing = OpenAllByBase(*rig, dir.file("notes"));
    EXPECT_EQ(LoadSummary(missing),
        "Could not read the input gases, mixer, calibrations and output cells files of notes: No "
        "such file or directory.");

    writeBytes(base + ".INP", std::vector<std::uint8_t>(3, 'x'));
    writeBytes(base + ".CAL", std::vector<std::uint8_t>(384000, 0));
    writeBytes(base + ".CEL", std::vector<std::uint8_t>(576, 0));
    auto mixed = OpenAllByBase(*rig, base);
    EXPECT_EQ(LoadSummary(mixed),
        "Could not read the mixer file of Rig1: No such file or directory; Rig1.INP is damaged (3 "
        "bytes instead of 5376).");
    writeBytes(base + ".CEL", std::vector<std::uint8_t>(5, 0));
    mixed = OpenAllByBase(*rig, base);
    EXPECT_EQ(LoadSummary(mixed),
        "Could not read the mixer file of Rig1: No such file or directory; Rig1.INP (3 bytes "
        "instead of 5376) and Rig1.CEL (5 bytes instead of 576) are damaged.");
    mixed[1] = { false, "Could not read ...", base + ".MIX", "Permission denied", DataFile::Mix };
    mixed[2] = { false, "Could not read ...", base + ".CAL", "not a regular file", DataFile::Cal };
    mixed[3] = {};
    EXPECT_EQ(LoadSummary(mixed),
        "Could not read Rig1.MIX (Permission denied) and Rig1.CAL (not a regular file); Rig1.INP "
        "is "
        "damaged (3 bytes instead of 5376).");
    EXPECT_EQ(LoadSummary(std::array<LoadResult, 1> {}), "");
    // Files of different data sets are named one by one.
    mixed[1].reason = mixed[2].reason;
    mixed[1].path = dir.file("Other.MIX");
    EXPECT_EQ(LoadSummary(mixed),
        "Could not read Other.MIX and Rig1.CAL: not a regular file; Rig1.INP is damaged (3 bytes "
        "instead of 5376).");
}

TEST(DataSetBaseName, TakesAFileOfTheSetAsItsBaseName)
{
    const std::pair<const char*, const char*> cases[] {
        { "Default.INP", "Default" },
        { "/data/Rig.2/Lab1.cel", "/data/Rig.2/Lab1" },
        { "Lab1.Mix", "Lab1" },
        { "Lab1.CAL", "Lab1" },
        { "Lab1", "Lab1" },
        { "Lab1.txt", "Lab1.txt" },
        { "/data/Rig.INP/Lab1", "/data/Rig.INP/Lab1" },
        { ".INP", "" },
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(DataSetBaseName(name), expected) << name;
}

} // namespace
} // namespace meldrix
