// The desktop Optimize and the headless kelmora-fit run the same engine on the same data and
// must print the same result, digit for digit.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include "UiFixture.h"
#include "util/NumberText.h"

namespace kelmora::uitest {
namespace {

// Each example on a freshly started program, so both start from the default table.
class HeadlessAgreement : public StartedProgram,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(HeadlessAgreement, OptimizeGivesTheSameTableAndQAsKelmoraFit) {
    const char* example = GetParam();
    QProcess fit;
    fit.start(QStringLiteral(KELMORA_FIT_PATH),
              {QStringLiteral("optimize"), QStringLiteral("--data"),
               QStringLiteral(KELMORA_EXAMPLES_DIR "/") + QString::fromUtf8(example)});
    ASSERT_TRUE(fit.waitForFinished(120000)) << fit.errorString().toStdString();
    ASSERT_EQ(fit.exitCode(), 0) << fit.readAllStandardError().toStdString();
    const QStringList lines =
        QString::fromUtf8(fit.readAllStandardOutput()).split(QLatin1Char('\n'));

    EnterExample(example);
    Click(Main.Button2);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();

    ASSERT_GE(lines.size(), 7);
    for (int r = 1; r <= ParamCount; ++r) {
        const QStringList cells = lines[r - 1].split(QLatin1Char('\t'));
        ASSERT_GE(cells.size(), 7) << lines[r - 1].toStdString();
        for (int c = 1; c <= 7; ++c) {
            EXPECT_EQ(cells[c - 1].toStdString(), ParamCell(c, r)) << "cell " << c << "," << r;
        }
    }
    const QStringList q = lines.filter(QRegularExpression(QStringLiteral("^Q\t")));
    ASSERT_EQ(q.size(), 1);
    EXPECT_EQ(q[0].mid(2).toStdString(), FormatGeneral(Main.State().Q));
}

INSTANTIATE_TEST_SUITE_P(Examples, HeadlessAgreement,
                         ::testing::Values("titration-1to1.txt", "titration-1to2.txt"));

}  // namespace
}  // namespace kelmora::uitest
