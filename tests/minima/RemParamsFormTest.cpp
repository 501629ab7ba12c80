#include "minima/RemParams_u.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "util/Errors.h"
#include "util/NumberText.h"

using namespace kelmora;

namespace {

TParamVector Vec(double base) {
    return {base, base + 1, base + 2, base + 3, base + 4, base + 5};
}

QStringList Lines(const TRememberParamsForm& form) {
    QStringList lines;
    for (int i = 0; i < form.ListBox1->count(); ++i) {
        lines << form.ListBox1->item(i)->text();
    }
    return lines;
}

// A form whose restore calls land in Restored.
class RememberParamsFormTest : public ::testing::Test {
  protected:
    RememberParamsFormTest() : Form([this](const TParamVector& v) { Restored.push_back(v); }) {}

    void ClickLine(int row) {
        QListWidgetItem* item = Form.ListBox1->item(row);
        ASSERT_NE(item, nullptr);
        const QPoint at = Form.ListBox1->visualItemRect(item).center();
        QTest::mouseClick(Form.ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    std::vector<TParamVector> Restored;
    TRememberParamsForm Form;
};

}  // namespace

TEST_F(RememberParamsFormTest, WindowAndControlsAsDesigned) {
    EXPECT_TRUE(Form.isHidden());
    EXPECT_FALSE(Form.isModal());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("List of found minima"));
    EXPECT_TRUE(Form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(Form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(Form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(Form.minimumSize(), QSize(235, 576));
    EXPECT_EQ(Form.maximumSize(), QSize(235, 576));
    EXPECT_EQ(Form.pos(), QPoint(738, 102));
    EXPECT_EQ(Form.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);

    const struct {
        QWidget* control;
        QString text;
        QRect geometry;
    } controls[] = {
        {Form.ListBox1, QString(), QRect(8, 8, 217, 377)},
        {Form.Button2, QStringLiteral("Remove all minima above this value:"),
         QRect(8, 415, 217, 25)},
        {Form.ThresholdEdit, QStringLiteral("10.0"), QRect(8, 443, 217, 21)},
        {Form.Button3, QStringLiteral("Remove minima concuring within this value:"),
         QRect(8, 480, 217, 25)},
        {Form.ConvCritEdit, QStringLiteral("0.01"), QRect(8, 507, 217, 21)},
        {Form.Button1, QStringLiteral("Close"), QRect(8, 544, 217, 25)},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        EXPECT_EQ(c.control->geometry(), c.geometry);
        if (auto* button = qobject_cast<QPushButton*>(c.control)) {
            EXPECT_EQ(button->text(), c.text);
        } else if (auto* edit = qobject_cast<QLineEdit*>(c.control)) {
            EXPECT_EQ(edit->text(), c.text);
        }
    }
    EXPECT_EQ(Form.BestMinLabel->text(), QStringLiteral("Best minimum:"));
    EXPECT_EQ(Form.BestMinLabel->pos(), QPoint(8, 392));
}

TEST_F(RememberParamsFormTest, ResetShowsWithCloseOffClicksDetachedAndOldLabel) {
    EXPECT_TRUE(Form.LineClicksAttached());  // as created, before any scan
    Form.AddMinimum(Vec(1), 2.0);
    Form.ResetMinima();

    EXPECT_TRUE(Form.isVisible());
    EXPECT_FALSE(Form.Button1->isEnabled());
    EXPECT_FALSE(Form.LineClicksAttached());
    EXPECT_EQ(Form.ListBox1->count(), 0);
    EXPECT_EQ(Form.Store().Count(), 0);
    EXPECT_EQ(Form.Store().BestQ(), 1e50);
    EXPECT_EQ(Form.BestMinLabel->text(), QStringLiteral("Best minima: 2"));

    Form.AddMinimum(Vec(10), 3.5);
    Form.AddMinimum(Vec(20), 0.0123456789);
    Form.AddMinimum(Vec(30), 1.0);
    EXPECT_EQ(Lines(Form),
              QStringList({QStringLiteral("1: Q=3.500000"), QStringLiteral("2: Q=0.012346"),
                           QStringLiteral("3: Q=1.000000")}));
    EXPECT_EQ(Form.BestMinLabel->text(), QStringLiteral("Best minima: 0.0123456789"));
}

TEST_F(RememberParamsFormTest, LineClickRestoresOnlyWhenEnabled) {
    Form.ResetMinima();
    Form.AddMinimum(Vec(10), 3.5);
    Form.AddMinimum(Vec(20), 0.5);
    Form.AddMinimum(Vec(30), 1.0);

    ClickLine(1);
    EXPECT_TRUE(Restored.empty());  // during a scan a click does nothing

    Form.EnableMinimaList();
    EXPECT_TRUE(Form.Button1->isEnabled());
    EXPECT_TRUE(Form.LineClicksAttached());
    ClickLine(1);
    ClickLine(2);
    ASSERT_EQ(Restored.size(), 2u);
    EXPECT_EQ(Restored[0], Vec(20));
    EXPECT_EQ(Restored[1], Vec(30));

    // With no line selected the handler has nothing to restore.
    Form.ListBox1->setCurrentRow(-1);
    Form.ListBox1Click();
    EXPECT_EQ(Restored.size(), 2u);

    // Attaching twice must not restore twice per click.
    Form.EnableMinimaList();
    ClickLine(0);
    ASSERT_EQ(Restored.size(), 3u);
    EXPECT_EQ(Restored[2], Vec(10));
}

TEST_F(RememberParamsFormTest, FiltersRenumberWithFourDecimalsAndKeepLabel) {
    Form.ResetMinima();
    Form.AddMinimum(Vec(10), 0.5);
    Form.AddMinimum(Vec(20), 20.0);
    Form.AddMinimum(Vec(30), 3.25);
    Form.AddMinimum(Vec(30.001), 3.0);  // concurs with the entry before at 0.01

    QTest::mouseClick(Form.Button2, Qt::LeftButton);  // works while the scan runs
    EXPECT_EQ(Lines(Form),
              QStringList({QStringLiteral("1: Q=0.5000"), QStringLiteral("2: Q=3.2500"),
                           QStringLiteral("3: Q=3.0000")}));

    QTest::mouseClick(Form.Button3, Qt::LeftButton);
    EXPECT_EQ(Lines(Form),
              QStringList({QStringLiteral("1: Q=0.5000"), QStringLiteral("2: Q=3.0000")}));

    // Further additions continue the numbering from the reduced list, with six decimals.
    Form.AddMinimum(Vec(40), 7.0);
    EXPECT_EQ(Form.ListBox1->item(2)->text(), QStringLiteral("3: Q=7.000000"));

    Form.ThresholdEdit->setText(QStringLiteral("0.1"));
    Form.Button2Click();
    EXPECT_EQ(Form.ListBox1->count(), 0);
    EXPECT_EQ(Form.BestMinLabel->text(), QStringLiteral("Best minima: 0.5"));
}

TEST_F(RememberParamsFormTest, UnparsableFilterTextRaisesAndChangesNothing) {
    Form.ResetMinima();
    Form.AddMinimum(Vec(10), 50.0);
    Form.AddMinimum(Vec(20), 0.5);
    const QStringList before = Lines(Form);

    const struct {
        QLineEdit* edit;
        void (TRememberParamsForm::*click)();
        QString text;
        const char* message;
    } cases[] = {
        {Form.ThresholdEdit, &TRememberParamsForm::Button2Click, QStringLiteral("1O"),
         "'1O' is not a valid floating point value"},
        {Form.ConvCritEdit, &TRememberParamsForm::Button3Click, QString(),
         "'' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        c.edit->setText(c.text);
        try {
            (Form.*c.click)();
            ADD_FAILURE() << "no conversion error";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(Lines(Form), before);
        EXPECT_EQ(Form.Store().Count(), 2);
    }

    // The default text stops parsing once the separator is a comma.
    SetNumberDecimalSeparator(",");
    Form.ThresholdEdit->setText(QStringLiteral("10.0"));
    EXPECT_THROW(Form.Button2Click(), EConvertError);
    Form.ThresholdEdit->setText(QStringLiteral("10,0"));
    Form.Button2Click();
    SetNumberDecimalSeparator(".");
    EXPECT_EQ(Lines(Form), QStringList({QStringLiteral("1: Q=0,5000")}));
}

TEST_F(RememberParamsFormTest, FullListShowsHowManyWereNotStored) {
    Form.ResetMinima();
    EXPECT_FALSE(Form.DroppedLabel->isVisible());
    for (int i = 0; i < TMinimaStore::MaxMinima; ++i) {
        Form.AddMinimum(Vec(i), 1.0 + i);
    }
    EXPECT_FALSE(Form.DroppedLabel->isVisible());

    Form.AddMinimum(Vec(-1), 0.5);
    EXPECT_EQ(Form.ListBox1->count(), 4000);
    EXPECT_EQ(Form.BestMinLabel->text(), QStringLiteral("Best minima: 1"));
    EXPECT_TRUE(Form.DroppedLabel->isVisible());
    EXPECT_EQ(Form.DroppedLabel->text(), QStringLiteral("Not stored (list full): 1"));

    Form.ResetMinima();
    EXPECT_FALSE(Form.DroppedLabel->isVisible());
    EXPECT_TRUE(Form.DroppedLabel->text().isEmpty());
}

TEST_F(RememberParamsFormTest, CloseHidesAndKeepsEntries) {
    Form.ResetMinima();
    Form.AddMinimum(Vec(1), 1.0);
    Form.EnableMinimaList();
    QTest::mouseClick(Form.Button1, Qt::LeftButton);
    EXPECT_TRUE(Form.isHidden());
    EXPECT_EQ(Form.ListBox1->count(), 1);
    EXPECT_EQ(Form.Store().Count(), 1);
}

int main(int argc, char** argv) {
    // ctest lists the cases by running the program, with or without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Every line, fresh or rebuilt by a filter, carries its own entry's six Values as its tooltip.
TEST_F(RememberParamsFormTest, EachLineShowsItsSixValuesAsTooltip) {
    const auto tooltip = [](double base) {
        return QStringLiteral(
                   "Lg(K1) = %1\nLg(K2) = %2\nC.Shift (P) = %3\nC.Shift (PL) = %4\n"
                   "C.Shift (PL2) = %5\nK (unspecif) = %6")
            .arg(base)
            .arg(base + 1)
            .arg(base + 2)
            .arg(base + 3)
            .arg(base + 4)
            .arg(base + 5);
    };
    const auto tooltips = [this] {
        QStringList all;
        for (int i = 0; i < Form.ListBox1->count(); ++i) {
            all << Form.ListBox1->item(i)->toolTip();
        }
        return all;
    };
    Form.ResetMinima();
    Form.AddMinimum(Vec(10), 3.5);
    Form.AddMinimum(Vec(-2.25), 0.5);
    Form.AddMinimum(Vec(30), 1.0);
    EXPECT_EQ(tooltips(), QStringList({tooltip(10), tooltip(-2.25), tooltip(30)}));

    Form.ThresholdEdit->setText(QStringLiteral("2"));
    Form.Button2Click();
    EXPECT_EQ(tooltips(), QStringList({tooltip(-2.25), tooltip(30)}));
}
