#include "files/KelmoraDocument.h"

namespace kelmora {

TKelmoraDocument StartupDocument() {
    TStringTable table(ParamsGridCols, ParamsGridRows);
    FillStartupParamsTable(table);
    TKelmoraDocument doc;
    doc.ParamCells = ParamCellsOf(table);
    doc.ParamValues = TFitState().GetParamVector();
    return doc;
}

bool SameWork(const TKelmoraDocument& a, const TKelmoraDocument& b) {
    TKelmoraDocument alike = b;
    alike.ParamValues = a.ParamValues;
    return a == alike;
}

}  // namespace kelmora
