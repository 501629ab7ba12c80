#include "ui/AnalysisWriteUp.h"

#include <QFileInfo>

#include "analysisview/ResultSheets.h"
#include "files/AtomicFile.h"
#include "files/Workbook.h"
#include "report/Report.h"
#include "ui/FileMenu.h"
#include "util/Version.h"

namespace kelmora {

namespace {

std::string WithoutSuffix(const QString& path) {
    const QFileInfo info(path);
    return (info.path() + QLatin1Char('/') + info.completeBaseName()).toStdString();
}

}  // namespace

TRunRecord WindowRunRecord(const analysis::TAnalysisSettings& settings,
                           const analysis::TTitration& titration,
                           const std::optional<TVolumeTexts>& volumes) {
    TRunRecord record;
    record.Settings = settings;
    record.Version = KelmoraVersion;
    record.Date = TodayText();
    record.DataSha256 = Sha256Hex(TitrationText(titration));
    record.Volumes = volumes;
    return record;
}

void ExportTables(TFileMenu& files, QWidget* parent, const analysis::TAnalysisResult& result,
                  const analysis::TTitration& titration, const TRunRecord& record) {
    const QString path = files.AskSaveName(
        parent, QStringLiteral("Export Tables"), QStringLiteral("xlsx"),
        QStringLiteral("Excel workbook (*.xlsx);;CSV files in a folder of that name (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    const std::vector<TSheet> sheets = ResultSheets(result, titration, record);
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        WriteCsvFiles(WithoutSuffix(path), sheets);
    } else {
        WriteXlsxFile(path.toStdString(), sheets);
    }
}

void WriteWindowReport(TFileMenu& files, QWidget* parent, const analysis::TAnalysisResult& result,
                       const analysis::TTitration& titration, TRunRecord record) {
    const QString path =
        files.AskSaveName(parent, QStringLiteral("Report"), QStringLiteral("pdf"),
                          QStringLiteral("PDF document (*.pdf);;HTML page (*.html)"));
    if (path.isEmpty()) {
        return;
    }
    const std::string data = WithoutSuffix(path) + "-data.txt";
    const std::string text = TitrationText(titration);
    WriteFileAtomically(data, text);
    record.CommandLine = AnalyzeCommandLine(
        record.Settings, QFileInfo(QString::fromStdString(data)).fileName().toStdString(),
        std::nullopt);
    WriteReportFile(path.toStdString(), result, titration, record);
}

}  // namespace kelmora
