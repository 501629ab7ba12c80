// The spectra reader: both layouts, the importer's separators and decimal commas, and the files
// it refuses.
#include <gtest/gtest.h>

#include "files/SpectraFile.h"
#include "util/Errors.h"

using namespace kelmora;

TEST(SpectraFile, ReadsColumnsAndRowsWithTheImportersRules) {
    struct TRow {
        const char* Text;
        bool InRows;
    };
    // The same two spectra at three wavelengths, written five ways.
    const TRow rows[] = {
        {"nm,a,b\n400,0.1,0.4\n401,0.2,0.5\n402,0.3,0.6\n", false},
        {"nm;a;b\r\n400;0,1;0,4\r\n401;0,2;0,5\r\n402;0,3;0,6\r\n", false},
        {"400\t0.1\t0.4\n401\t0.2\t0.5\n402\t\"0.3\"\t0.6\n", false},
        {"400,401,402\n0.1,0.2,0.3\n0.4,0.5,0.6\n", true},
        {"nm;400;401;402\nfirst;0,1;0,2;0,3\nsecond;0,4;0,5;0,6\n", true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        const TSpectraFile f = ReadSpectraText(row.Text, "s.csv", row.InRows);
        EXPECT_EQ((std::vector<double>{400, 401, 402}), f.Wavelengths);
        ASSERT_EQ(2u, f.Values.size());
        EXPECT_EQ((std::vector<double>{0.1, 0.2, 0.3}), f.Values[0]);
        EXPECT_EQ((std::vector<double>{0.4, 0.5, 0.6}), f.Values[1]);
    }
}

TEST(SpectraFile, RefusesWhatIsNoSetOfSpectra) {
    struct TRow {
        const char* Text;
        bool InRows;
        const char* Message;
    };
    const TRow rows[] = {
        {"400,0.1\n402,0.2\n401,0.3\n", false,
         "'s.csv': the wavelengths do not rise or fall steadily (402 then 401)."},
        {"400,0.1,0.2\n401,0.3\n", false, "'s.csv', line 2, column 3: the value is missing."},
        {"400,0.1\n401,x\n", false, "'s.csv', line 2, column 2: 'x' is not a number."},
        {"400,401\n", true, "'s.csv' holds wavelengths but no spectrum."},
        {"400,0.1\n400,0.2\n", false,
         "'s.csv': the wavelengths do not rise or fall steadily (400 then 400)."},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        try {
            ReadSpectraText(row.Text, "s.csv", row.InRows);
            ADD_FAILURE() << "accepted";
        } catch (const EKelmoraError& e) {
            EXPECT_STREQ(row.Message, e.what());
        }
    }
}
