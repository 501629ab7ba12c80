#include "files/Workbook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/Errors.h"

using namespace kelmora;

TEST(Workbook, CsvQuotesWhatItMustAndKeepsEveryDigit) {
    const TSheet sheet{"T",
                       {{std::string("name"), std::string("a, b"), std::string("say \"hi\"")},
                        {0.1 + 0.2, 1e-300, TCell()},
                        {std::numeric_limits<double>::quiet_NaN(), -0.0, std::string("K1, M⁻¹")}}};
    EXPECT_EQ(CsvText(sheet),
              "name,\"a, b\",\"say \"\"hi\"\"\"\r\n"
              "0.30000000000000004,1e-300,\r\n"
              ",-0,\"K1, M⁻¹\"\r\n");
}

TEST(Workbook, AWorkbookThatCannotBeWrittenNamesItsFileAndLeavesNothing) {
    const std::string path = "/nonexistent-folder/w.xlsx";
    try {
        WriteXlsxFile(path, {{"T", {{1.0}}}});
        FAIL() << "no error";
    } catch (const EKelmoraError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot save '" + path + "'"), std::string::npos)
            << e.what();
    }
}
