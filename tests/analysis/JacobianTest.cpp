#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <string>

#include "Fixtures.h"
#include "analysis/SeparableFit.h"

namespace kelmora::analysis {
namespace {

using testing::MakeTitration;
using testing::Truth;

// Every column of the model's Jacobian, every model with the linear term, against central
// differences of the model shifts: a lost chain-rule factor shows in its column.
TEST(Jacobian, EveryColumnAgreesWithCentralDifferences) {
    const TTitration t = MakeTitration(Truth("1:2", 3.2, 5.9, {{8, 9, 10.5, 20}, {2, 1, 3, -5}}),
                                       15, 6e-3, 1e-3, true, 0.0, 1);
    const TFitData data = MakeFitData(t, {false, false});
    for (const TModelDef& model : DefaultModels()) {
        const TLayout layout = MakeLayout(model, {"a", "b"}, {false, false}, true, {});
        Eigen::VectorXd values = Eigen::VectorXd::LinSpaced(layout.Size(), 1.0, 4.0);
        values[0] = 3.2;
        if (model.Name == "1:2") {
            values[1] = 5.9;
        }
        const Eigen::MatrixXd j = ModelJacobian(layout, data, values);
        ASSERT_EQ(j.cols(), layout.Size());
        for (int p = 0; p < layout.Size(); ++p) {
            SCOPED_TRACE(model.Name + " " + layout.Names[p]);
            const double h = 1e-5;
            Eigen::VectorXd up = values;
            Eigen::VectorXd down = values;
            up[p] += h;
            down[p] -= h;
            const Eigen::MatrixXd diff = (ModelShifts(layout, data.Conc, data.Host, up) -
                                          ModelShifts(layout, data.Conc, data.Host, down)) /
                                         (2 * h);
            for (Eigen::Index i = 0; i < diff.rows(); ++i) {
                for (Eigen::Index s = 0; s < diff.cols(); ++s) {
                    EXPECT_NEAR(j(i * diff.cols() + s, p), diff(i, s), 1e-6 * (1 + diff.norm()));
                }
            }
        }
    }
}

}  // namespace
}  // namespace kelmora::analysis
