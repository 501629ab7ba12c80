#include "ui/WindowDocument.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "grid/OriginGrid_u.h"
#include "minima/RemParams_u.h"
#include "qtutil/QtText.h"
#include "ui/Spectra_u.h"
#include "ui/getdata_u.h"
#include "ui/main_u.h"
#include "util/NumberText.h"
#include "util/TextUtil.h"

namespace kelmora {

TKelmoraDocument CaptureDocument(TMainForm& form, const IAnalysisDocument* analysis) {
    TKelmoraDocument doc;
    doc.DecimalSeparator = NumberDecimalSeparator();
    doc.ParamCells = ParamCellsOf(*form.ParamsGrid);
    doc.ParamValues = form.State().GetParamVector();
    if (const TGetDataForm* data = form.GetDataForm()) {
        doc.DataCells = DataCellsOf(*data->OriginGrid1);
        doc.P0Text = data->Edit1->text().toStdString();
    }
    doc.IterCountText = form.IterCountEdit->text().toStdString();
    doc.FinishMinima = form.FinishMinimaCheck->isChecked();
    doc.ChartMode = form.Mode;
    if (const TRememberParamsForm* minima = form.MinimaForm()) {
        const TMinimaStore& store = minima->Store();
        doc.Minima.assign(store.Minima().begin(), store.Minima().end());
        doc.BestQ = store.BestQ();
        doc.MinimaDropped = store.DroppedCount();
    }
    if (analysis != nullptr) {
        doc.Analysis = analysis->CaptureAnalysis();
    }
    if (const TSpectraForm* spectra = form.SpectraForm()) {
        doc.Spectra = spectra->CaptureSpectra();
    }
    return doc;
}

void RestoreDocument(TMainForm& form, IAnalysisDocument* analysis, const TKelmoraDocument& doc) {
    // The texts are written in the file's separator already: it is set, not converted to.
    SetNumberDecimalSeparator(doc.DecimalSeparator);
    form.SepLabEdit->setText(ToQString(doc.DecimalSeparator));
    RestoreParamCells(doc.ParamCells, *form.ParamsGrid);
    if (TGetDataForm* data = form.GetDataForm()) {
        RestoreDataCells(doc.DataCells, data->OriginGrid1->Core());
        data->Edit1->setText(ToQString(doc.P0Text));
    }
    form.IterCountEdit->setText(ToQString(doc.IterCountText));
    form.FinishMinimaCheck->setChecked(doc.FinishMinima);
    form.Mode = doc.ChartMode;
    (doc.ChartMode == 0 ? form.Mode1Button : form.Mode2Button)->setChecked(true);
    if (TRememberParamsForm* minima = form.MinimaForm()) {
        minima->RestoreMinima(doc.Minima, doc.BestQ, doc.MinimaDropped);
    }
    if (analysis != nullptr) {
        analysis->RestoreAnalysis(doc.Analysis);
    }
    if (TSpectraForm* spectra = form.SpectraForm()) {
        spectra->RestoreSpectra(doc.Spectra);
    }
    // Whatever the last command left belongs to the work that was open before.
    form.State() = TFitState();
    form.RedrawChart();
}

void RecomputeDocument(TMainForm& form, const TKelmoraDocument& doc) {
    const TGetDataForm* data = form.GetDataForm();
    if (data == nullptr || !HasNonBlank(data->OriginGrid1->Cell(0, 1))) {
        return;  // no data, nothing to compute: the chart stays empty
    }
    TFitState& state = form.State();
    state.LoadDataSet(*data->OriginGrid1, data->Edit1->text().toStdString());
    state.ReadParamsTable(*form.ParamsGrid, form.CommandSettings());
    RestoreExactValues(doc.ParamValues, *form.ParamsGrid, state);
    state.ComputeQ();
    form.RedrawChart();
}

}  // namespace kelmora
