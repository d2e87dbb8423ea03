// DataImporter and Excel on the fixtures that make_fixtures.py wrote with
// ezdxf, xlwt and the csv module: the points each file gives against the
// generator's own list, the letter cases of the endings, columns against
// live motors, refused files, and cell queries.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "motion/SlidesTestFixture.h"
#include "vek/foundation/Log.h"
#include "vek/peripherals/ChildReader.h"
#include "vek/peripherals/DataImporter.h"
#include "vek/peripherals/Excel.h"

namespace fs = std::filesystem;

namespace vek::test {
namespace {

const std::string kFixtures = std::string(VEK_SOURCE_DIR) + "/tests/peripherals/fixtures/";

// The test slide: 10 mm lead, 4000 counts a turn.
constexpr double kCountsPerMm = 400.0;

// "x y z|x y z" of the nodes' first three axes; "none" for no collection.
std::string pointsText(const std::shared_ptr<NodeCollection>& points) {
    if (!points) return "none";
    std::string text;
    for (const auto& n : *points)
        text += (text.empty() ? "" : "|") + std::to_string(n->axis(1)) + " " + std::to_string(n->axis(2)) + " " +
                std::to_string(n->axis(3));
    return text;
}

// The points make_fixtures.py listed for each fixture, in counts.
std::map<std::string, std::string> expectedPoints() {
    std::map<std::string, std::string> expected;
    std::ifstream in(kFixtures + "expected.txt");
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(": ");
        std::istringstream points(line.substr(colon + 2));
        std::string point, text;
        while (points >> point) {
            std::istringstream axes(point);
            std::string axis, counts;
            while (std::getline(axes, axis, ','))
                counts += (counts.empty() ? "" : " ") + std::to_string(std::lround(std::stod(axis) * kCountsPerMm));
            text += (text.empty() ? "" : "|") + counts;
        }
        expected[line.substr(0, colon)] = text;
    }
    return expected;
}

class Import : public SlidesTest {
protected:
    DataImporter importer_;

    // `content` written to a file `name` of the install folder; its path.
    std::string file(const std::string& name, const std::string& content) {
        const std::string path = install_->file(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string fixture(const std::string& name) { return readFileText(kFixtures + name); }
};

TEST_F(Import, EveryFixtureGivesThePointsItsGeneratorWrote) {
    connect(3);
    const auto expected = expectedPoints();
    ASSERT_EQ(expected.size(), 7u);
    for (const auto& [name, points] : expected) {
        // The Text driver reads .csv as well; only extract() insists on .txt.
        const auto imported =
            name.ends_with(".csv") ? importer_.extractTXT(kFixtures + name) : importer_.extract(kFixtures + name);
        EXPECT_EQ(pointsText(imported), points) << name;
    }
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::info,
                            {"Importing position data from Data Exchange File (DXF) " + kFixtures + "chain_r12.dxf",
                             "Importing position data from Microsoft Excel (XLS) file " + kFixtures + "points.xls",
                             "Importing position data from Text (TXT) file " + kFixtures + "points.txt"}));
}

TEST_F(Import, OnlyThreeLetterCasesOfEachEndingAreImported) {
    connect(3);
    const std::string drawing = fixture("chain_r12.dxf"), book = fixture("points.xls"), text = fixture("points.txt");
    auto count = [&](const std::string& name) {
        const std::string& content = name.find_last_of("dD") == name.size() - 3   ? drawing
                                     : name.find_last_of("sS") == name.size() - 1 ? book
                                                                                  : text;
        const auto points = importer_.extract(file(name, content));
        return points ? std::to_string(points->count()) : "none";
    };
    EXPECT_EQ(each<std::string>({"a.DXF", "a.dxf", "a.Dxf", "a.DxF", "a.dXF", "a.XLS", "a.xls", "a.Xls", "a.xLs",
                                 "a.TXT", "a.txt", "a.Txt", "a.tXT", "a.csv", "a"},
                                count),
              "4|4|4|none|none|3|3|3|none|3|3|3|none|none|none");
}

TEST_F(Import, ColumnsBeyondTheLiveMotorsAreDroppedAndMoreThanThreeGiveNoPoints) {
    auto importWith = [&](int motors, const std::string& name) {
        connect(motors);
        return pointsText(importer_.extract(kFixtures + name));
    };
    EXPECT_EQ(importWith(3, "four_columns.txt"), "400 800 1200|2000 2400 2800");
    EXPECT_EQ(importWith(4, "four_columns.txt"), "");
    EXPECT_EQ(importWith(2, "points.txt"), "200 400 0|1200 -1900 0|40000 80000 0");
    EXPECT_EQ(importWith(1, "points.xls"), "600 0 0|4000 0 0|-2000 0 0");
    // A drawing always gives three axes.
    EXPECT_EQ(importWith(1, "apart_r12.dxf"), "0 0 0|800 800 0|1200 1200 0");
    slides().closeConnection();  // no live motors: no points from a table
    EXPECT_EQ(pointsText(importer_.extract(kFixtures + "points.txt")), "");
}

TEST_F(Import, DamagedOrForeignFilesAreLoggedAndGiveNone) {
    connect(3);
    setChildReaderSeconds(1);
    const std::string drawing = fixture("chain_r12.dxf"), book = fixture("points.xls");
    struct Case {
        std::string name, content, logged;
    };
    const std::string dxf = "Can't import data from the Data Exchange File -> The file ";
    const std::string xls = "Can't import data from the Microsoft Excel File -> The workbook ";
    const std::string txt = "Can't import data from the Text File -> ";
    const Case cases[] = {
        {"cut.dxf", drawing.substr(0, drawing.size() / 2),
         dxf + "%: is no complete drawing: it does not end with EOF."},
        {"words.dxf", "just some words\n", dxf + "%: is no complete drawing: it does not end with EOF."},
        {"huge.dxf",
         "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n1e300\n20\n0\n30\n0\n11\n0\n21\n0\n31\n0\n0\nENDSEC\n0\nEOF\n",
         "Can't import data from the Data Exchange File -> Overflow"},
        // Found by fuzzing: dxflib reads this one for ever.
        {"looping.dxf", fixture("looping.dxf"),
         dxf + "%: is no readable drawing: the reader stopped on it or ran past 1 s."},
        {"cut.xls", book.substr(0, book.size() / 2), xls + "%: cannot be read: it is damaged (FreeXL error -"},
        {"words.xls", "X,Y\n1,2\n", xls + "%: cannot be read: it is no Excel workbook (.xls)."},
        // Found by fuzzing: FreeXL reads outside its buffers on this one. It
        // names a character set it cannot read, or, under the sanitizers,
        // its child process dies on it.
        {"charset.xls", fixture("damaged_charset.xls"), xls + "%: cannot be read: it"},
        {"binary.txt", std::string("X,Y\n\x89PNG\0\x01", 11), txt + "The file %: holds binary data, not a text table."},
        {"open.txt", "X,Y\n1,\"2\n", txt + "The file %: ends inside the quoted field that starts on line 2."},
        {"word.txt", "X,Y\r\n1,2\r\n3,abc\r\n", txt + "Row 3, column 2 holds no number: abc"},
        {"gap.txt", "X,Y,Z\n1,2,3\n\n4,,6\n", txt + "Row 4 has no value in column 2."},
        {"short.txt", "X,Y,Z\n1,2\n", txt + "Row 2 has no value in column 3."},
        {"far.txt", "X\n1e300\n", txt + "Overflow"},
    };
    for (const auto& c : cases) {
        clearMessages();
        const std::string path = file(c.name, c.content);
        EXPECT_EQ(pointsText(importer_.extract(path)), "none") << c.name;
        std::string expected = c.logged;
        if (const auto at = expected.find("%:"); at != std::string::npos) expected.replace(at, 2, path);
        EXPECT_TRUE(loggedStartingWith(messages(), expected)) << c.name << ": " << messages().back().first;
        EXPECT_EQ(messages().back().second, LogLevel::Error) << c.name;
    }
    // A drawing that cannot be opened reads as an empty one; a table that
    // cannot be opened is refused.
    EXPECT_EQ(pointsText(importer_.extract(install_->file("missing.dxf"))), "");
    EXPECT_EQ(pointsText(importer_.extract(install_->file("missing.txt"))), "none");
    EXPECT_EQ(pointsText(importer_.extract(install_->file("missing.xls"))), "none");
    setChildReaderSeconds(30);
}

TEST_F(Import, QuotedFieldsAndLineEndsOfTextTables) {
    connect(3);
    const std::string path =
        file("quoted.txt", "\xEF\xBB\xBF\"X, \"\"mm\"\"\",\"Y\nnext\"\r\n\r\n \"1.5\" , 2 ,3\r\"4\",5\n6,7,8,9");
    EXPECT_EQ(pointsText(importer_.extract(path)), "600 800 0|1600 2000 0|2400 2800 0");
}

TEST_F(Import, WithoutADatabaseNodesCannotBeMade) {
    EXPECT_TRUE(raisesNumbered(PlatformErrors::OBJECT_NOT_SET, [&] { importer_.makeNode1(1); }));
    EXPECT_EQ(pointsText(importer_.extract(kFixtures + "chain_r12.dxf")), "none");
    EXPECT_TRUE(logged("Can't import data from the Data Exchange File -> " +
                       platformErrorText(PlatformErrors::OBJECT_NOT_SET)));
}

class ExcelSheet : public SlidesTest {
protected:
    Excel excel_;
};

TEST_F(ExcelSheet, CellsByRowAndColumn) {
    ASSERT_TRUE(excel_.ReadFile(kFixtures + "points.xls", "notes"));
    EXPECT_TRUE(loggedAt(messages(), "Reading data from Microsoft Excel (XLS) file " + kFixtures + "points.xls",
                         LogLevel::info));
    EXPECT_EQ(excel_.rows()->count(), 3u);
    std::string cells;
    for (const auto& [row, col] : std::vector<std::pair<int16_t, std::string>>{
             {1, "A"}, {1, "c"}, {2, "b"}, {2, "2"}, {2, "C"}, {3, "a"}, {3, "B"}, {1, "1.4"}})
        cells += excel_.GetValue(row, col) + "|";
    EXPECT_EQ(cells, "alpha|first|2.5|2.5|||-3|alpha|");
    EXPECT_EQ(each<std::string>({"a", "Z", "3", "2.5", "AA", "", "-", "é"},
                                [&](const std::string& col) {
                                    const NumberedError e = raised([&] { excel_.columnIndex(col); });
                                    return e.number() ? std::to_string(e.number()) + " " + e.description()
                                                      : std::to_string(excel_.columnIndex(col));
                                }),
              "1|26|3|2|11 Column index is out of bound (A-Z)|11 Column index is out of bound (A-Z)|"
              "11 Column index is out of bound (A-Z)|11 Column index is out of bound (A-Z)");
    clearMessages();
    EXPECT_EQ(excel_.GetValue(2, "AA") + excel_.GetValue(4, "A") + excel_.GetValue(1, "D"), "");
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::Error,
                            {"Can't get value from the Microsoft Excel File -> Column index is out of bound (A-Z)",
                             "Can't get value from the Microsoft Excel File -> " +
                                 platformErrorText(PlatformErrors::INVALID_PROCEDURE_CALL)}));
}

TEST_F(ExcelSheet, AFailedReadLeavesNoRows) {
    ASSERT_TRUE(excel_.ReadFile(kFixtures + "points.xls"));
    EXPECT_EQ(excel_.GetValue(3, "C"), "12.5");
    EXPECT_FALSE(excel_.ReadFile(kFixtures + "points.xls", "Sheet9"));
    EXPECT_TRUE(loggedAt(messages(),
                         "Can't read data from the Microsoft Excel File -> The workbook " + kFixtures +
                             "points.xls has no sheet named Sheet9.",
                         LogLevel::Error));
    EXPECT_EQ(excel_.rows()->count(), 0u);
    EXPECT_FALSE(excel_.ReadFile(kFixtures + "points.txt"));
}

}  // namespace
}  // namespace vek::test
