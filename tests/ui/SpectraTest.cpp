// The Spectra window driven as a user drives it: import the example spectra and their points,
// choose the wavelengths and models, Run, read the tables and charts, export them, Stop.
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "UiFixture.h"
#include "analysisview/SpectraView.h"
#include "ui/FileMenu.h"
#include "ui/SpectraCharts.h"
#include "ui/Spectra_u.h"

namespace kelmora::uitest {
namespace {

QString Example(const char* name) {
    return QStringLiteral(KELMORA_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

class Spectra : public StartedProgram {
  protected:
    // The window opened from the main window with the 1:1 example's spectra and points, fitted
    // with 1:1 and 1:2 only.
    TSpectraForm& OpenWithExample() {
        Click(Main.SpectraButton);
        TSpectraForm& form = *Main.SpectraForm();
        EXPECT_TRUE(form.isVisible());
        Prompts.FileNames = {Example("spectra-1to1.csv")};
        Click(form.ImportSpectraButton);
        Prompts.FileNames = {Example("points-1to1.txt")};
        Click(form.PointsFileButton);
        for (std::size_t k = 0; k < form.ModelChecks.size(); ++k) {
            form.ModelChecks[k]->setChecked(k < 2);  // the catalogue starts 1:1, 1:2
        }
        return form;
    }
    static void Run(TSpectraForm& form) {
        QSignalSpy ended(&form, &TSpectraForm::RunEnded);
        Click(form.RunButton);
        if (ended.count() == 0 && form.Running()) {
            ASSERT_TRUE(ended.wait(120000)) << "the run did not end";
        }
    }
    static int SeriesCount(const QChartView* view) {
        return static_cast<int>(view->chart()->series().size());
    }
};

TEST_F(Spectra, ImportChooseRunAndEveryChartShowsTheFit) {
    TSpectraForm& form = OpenWithExample();
    ASSERT_TRUE(form.Spectra().has_value());
    EXPECT_EQ(form.Spectra()->Values.size(), 25u);
    EXPECT_EQ(form.FromEdit->text(), QStringLiteral("400"));
    EXPECT_EQ(form.ToEdit->text(), QStringLiteral("650"));
    EXPECT_EQ(form.ChosenLabel->text(), QStringLiteral("251 of 251 wavelengths chosen"));
    EXPECT_EQ(SeriesCount(form.Charts->SpectraChart), 25);  // the data before any fit
    EXPECT_EQ(form.PointsGrid->Cell(0, 1), "0");
    EXPECT_EQ(form.PointsGrid->Cell(1, 1), "2e-06");
    EXPECT_EQ(form.PointsGrid->Cell(0, 26), "");

    TypeInto(form.FromEdit, QStringLiteral("410"));
    form.StepSpin->setValue(4);
    EXPECT_EQ(form.ChosenLabel->text(), QStringLiteral("61 of 251 wavelengths chosen"));
    form.ReplicatesSpin->setValue(20);
    Run(form);
    ASSERT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
    ASSERT_TRUE(form.Result().has_value());
    const analysis::TSpectraResult& result = *form.Result();
    ASSERT_EQ(result.Models.size(), 2u);
    EXPECT_EQ(result.Wavelengths.size(), 61u);
    EXPECT_EQ(result.Wavelengths.front(), 410.0);
    EXPECT_EQ(result.Wavelengths[1], 414.0);
    EXPECT_EQ(result.Models[0].ReplicatesDone, 20);
    EXPECT_TRUE(form.RunButton->isEnabled());
    EXPECT_FALSE(form.StopButton->isEnabled());

    // The verdict's model first; then the 1:1 model's lg K in its table, near the generating 3.8.
    EXPECT_FALSE(result.Preferred.empty());
    EXPECT_EQ(form.ModelCombo->currentText().toStdString(), result.Preferred);
    form.ModelCombo->setCurrentIndex(0);
    ASSERT_EQ(form.ModelCombo->currentText(), QStringLiteral("1:1"));
    ASSERT_EQ(form.ParamTable->rowCount(), 1);
    EXPECT_EQ(form.ParamTable->item(0, 0)->text(), QStringLiteral("lgK1"));
    EXPECT_NEAR(form.ParamTable->item(0, 1)->text().toDouble(), 3.8, 0.05);
    EXPECT_EQ(form.ComparisonTable->rowCount(), 2);
    EXPECT_FALSE(form.VerdictLabel->text().isEmpty());
    EXPECT_TRUE(form.FactorLabel->text().startsWith(QStringLiteral("Factor analysis: 2 species")))
        << form.FactorLabel->text().toStdString();

    EXPECT_EQ(SeriesCount(form.Charts->SpectraChart), 50);  // measured, then fitted over them
    EXPECT_EQ(SeriesCount(form.Charts->SpeciesChart), 4);   // P and PL, each with its band
    EXPECT_EQ(SeriesCount(form.Charts->FactorChart), 2);
    const QImage& map = form.Charts->ResidualMap->Map();
    ASSERT_EQ(map.size(), QSize(61, 25));
    const analysis::TSpectraModelResult& model = result.Models[0];
    const double scale = ResidualScale(model.Residuals);
    for (const auto& [i, l] : {std::pair{0, 0}, std::pair{7, 30}, std::pair{24, 60}}) {
        EXPECT_EQ(map.pixel(l, i) & 0xFFFFFFu,
                  ResidualRgb(model.Residuals[std::size_t(i)][std::size_t(l)], scale));
    }

    // The distribution of the host; the isotherm where the spectra change most, then at the
    // wavelengths typed, the nearest chosen one to each.
    EXPECT_EQ(SeriesCount(form.Charts->DistributionChart), 2);
    EXPECT_EQ(SeriesCount(form.Charts->IsothermChart), 2);
    form.Charts->IsothermEdit->setText(QStringLiteral("431; 600 452"));
    Q_EMIT form.Charts->IsothermEdit->editingFinished();
    EXPECT_EQ(SeriesCount(form.Charts->IsothermChart), 6);

    // Another model: its table and charts.
    form.ModelCombo->setCurrentIndex(1);
    EXPECT_EQ(form.ParamTable->rowCount(), 2);
    EXPECT_EQ(SeriesCount(form.Charts->SpeciesChart), 6);
    EXPECT_EQ(SeriesCount(form.Charts->DistributionChart), 3);

    // Each chart exports, the residual map as the picture it is.
    QTemporaryDir dir;
    for (const int tab : {1, 2, 5}) {
        form.Charts->setCurrentIndex(tab);
        const QString path = dir.filePath(QStringLiteral("chart%1.png").arg(tab));
        Prompts.FileNames = {path};
        Click(form.ExportChartButton);
        const QImage image(path);
        EXPECT_FALSE(image.isNull()) << tab;
        if (tab == 1) {
            EXPECT_EQ(image.size(), form.Charts->ResidualMap->size());
        }
    }
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();

    // Saved with the work, and back as it was shown without a refit.
    const std::optional<TSpectraSection> before = form.CaptureSpectra();
    ASSERT_TRUE(before && before->Results);
    EXPECT_EQ(before->Step, 4);
    EXPECT_EQ(before->FromText, "410");
    const QString path = dir.filePath(QStringLiteral("work.kelmora"));
    Prompts.FileNames = {path};
    ASSERT_TRUE(Main.Files->SaveAs());
    Main.Files->NewFile();
    EXPECT_FALSE(form.Spectra().has_value());
    EXPECT_FALSE(form.Result().has_value());
    EXPECT_EQ(form.ParamTable->rowCount(), 0);
    EXPECT_EQ(form.PointsGrid->Cell(0, 1), "");
    EXPECT_EQ(form.StepSpin->value(), 1);
    EXPECT_EQ(form.ReplicatesSpin->value(), 1000);
    EXPECT_EQ(SeriesCount(form.Charts->SpectraChart), 0);
    EXPECT_FALSE(form.CaptureSpectra().has_value());
    Prompts.FileNames = {path};
    Main.Files->Open();
    EXPECT_EQ(form.CaptureSpectra(), before);
    EXPECT_EQ(form.ChosenLabel->text(), QStringLiteral("61 of 251 wavelengths chosen"));
    EXPECT_EQ(form.ModelCombo->currentText().toStdString(), before->Results->Result.Preferred);
    EXPECT_GT(form.ParamTable->rowCount(), 0);
    EXPECT_EQ(SeriesCount(form.Charts->SpectraChart), 50);
    EXPECT_EQ(form.Charts->ResidualMap->Map().size(), QSize(61, 25));
    EXPECT_FALSE(Main.isWindowModified());
    EXPECT_FALSE(form.StaleLabel->isVisibleTo(&form));
    form.SeedSpin->setValue(7);
    QTRY_VERIFY(Main.isWindowModified());
    // The results stay, marked as those of earlier settings, and are saved so.
    EXPECT_TRUE(form.StaleLabel->isVisibleTo(&form));
    EXPECT_TRUE(form.CaptureSpectra()->Results->Stale);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QStringLiteral("; ")).toStdString();
}

TEST_F(Spectra, StopEndsTheMonteCarloWithTheReplicatesDone) {
    TSpectraForm& form = OpenWithExample();
    form.ModelChecks[1]->setChecked(false);
    form.ReplicatesSpin->setValue(1000000);
    QObject::connect(form.ProgressBar, &QProgressBar::valueChanged, &form, [&form](int done) {
        if (done > 0 && form.StopButton->isEnabled()) {
            Click(form.StopButton);
        }
    });
    Run(form);
    ASSERT_TRUE(form.Result().has_value());
    EXPECT_TRUE(form.Result()->Stopped);
    EXPECT_LT(form.Result()->Models[0].ReplicatesDone, 1000000);
    EXPECT_EQ(form.StatusLabel->text(), QStringLiteral("Stopped"));
    EXPECT_TRUE(form.RunButton->isEnabled());
}

TEST_F(Spectra, PointsThatDoNotMatchTheSpectraAreRefusedWithoutARun) {
    TSpectraForm& form = OpenWithExample();
    TypeIntoCell(*form.PointsGrid, 0, 4, QString());  // three points before the first blank C
    Run(form);
    EXPECT_FALSE(form.Result().has_value());
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("There are 25 spectra but 3 points.")});
}

}  // namespace
}  // namespace kelmora::uitest
