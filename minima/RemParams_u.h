#pragma once

#include <QDialog>
#include <QMetaObject>
#include <functional>
#include <span>
#include <string>

#include "engine/FitTypes.h"
#include "minima/MinimaStore.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelmora {

// The always-on-top list of the minima a scan found. The scan resets, fills and re-enables it;
// the user filters it at any time and, outside a scan, clicks a line to put that minimum back
// into the main window.
class TRememberParamsForm : public QDialog {
    Q_OBJECT

  public:
    // Receives the six Values of a clicked minimum; the main window's SetParamVector.
    using TSetParamVector = std::function<void(const TParamVector&)>;

    explicit TRememberParamsForm(QWidget* parent = nullptr);
    explicit TRememberParamsForm(TSetParamVector setParamVector, QWidget* parent = nullptr);

    void SetParamVectorHandler(TSetParamVector setParamVector);

    // Called by the scan.
    void ResetMinima();
    void AddMinimum(const TParamVector& params, double q);
    void EnableMinimaList();

    // A list as a Kelmora file kept it, shown as a scan would have left it.
    void RestoreMinima(std::span<const TFoundMinimum> minima, double bestQ, int droppedCount);

    void ClearMinima();
    void RestoreMinimum(int index);
    void RebuildList();

    const TMinimaStore& Store() const { return Store_; }
    // Whether a click on a line currently reaches ListBox1Click.
    bool LineClicksAttached() const { return bool(ClickConnection_); }

    QListWidget* ListBox1 = nullptr;
    QLabel* BestMinLabel = nullptr;
    QLabel* DroppedLabel = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* ThresholdEdit = nullptr;
    QPushButton* Button3 = nullptr;
    QLineEdit* ConvCritEdit = nullptr;
    QPushButton* Button1 = nullptr;

  public Q_SLOTS:
    void ListBox1Click();
    void Button1Click();
    // A text that does not parse raises EConvertError before any entry is touched.
    void Button2Click();
    void Button3Click();

  private:
    void CreateControls();
    void AttachLineClicks();
    void DetachLineClicks();
    void ShowDroppedCount();
    // A line of the list for entry index, with the entry's six Values as its tooltip.
    void AddLine(const std::string& text, int index);

    TMinimaStore Store_;
    TSetParamVector SetParamVector_;
    QMetaObject::Connection ClickConnection_;
};

}  // namespace kelmora
