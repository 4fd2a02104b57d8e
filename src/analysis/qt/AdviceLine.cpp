#include "analysis/qt/AdviceLine.h"

#include "analysis/SavedRowAdvice.h"
#include "framework/qt/Utf8.h"

#include <QGuiApplication>
#include <QScreen>

namespace slabcal {

analysis::RecordedRanges RangesOf(const CalibrationWorksheet& worksheet) {
    analysis::RecordedRanges ranges;
    for (int row = 0; row < CalibrationRowCount; ++row)
        ranges[static_cast<std::size_t>(row)] = worksheet.Row(row).measuredOn;
    return ranges;
}

AdviceLine::AdviceLine(const CalibrationWorksheet& sheet, QWidget* parent)
    : QLabel(parent), worksheet(sheet) {
    setStyleSheet("color: #b04000; font-weight: bold");
    setWordWrap(false);
    // Shown or empty, it keeps its place: the layout around it does not move with every save.
    setFixedHeight(sizeHint().height());
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // Judged once the save-point command has finished, on the UI thread.
    subscription = worksheet.Subscribe([this](const WorksheetEvent& event) {
        QMetaObject::invokeMethod(
            this, [this, event] { Changed(event); }, Qt::QueuedConnection);
    });
}

void AdviceLine::Changed(const WorksheetEvent& event) {
    switch (event.change) {
    case WorksheetChange::RowSaved:
        advice = analysis::SavedRowAdvice(worksheet.Points(), RangesOf(worksheet), event.row);
        break;
    case WorksheetChange::TableReplaced:
        advice.reset();
        break;
    case WorksheetChange::Written:
        return; // the table is as it was
    }
    setText(advice ? FromUtf8(advice->text) : QString());
    if (isWindow())
        setVisible(advice.has_value());
    if (changed)
        changed();
}

std::unique_ptr<AdviceLine> AdviceWindow(const CalibrationWorksheet& worksheet) {
    auto line = std::make_unique<AdviceLine>(worksheet);
    line->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus);
    line->setAttribute(Qt::WA_ShowWithoutActivating);
    line->setAutoFillBackground(true);
    line->setContentsMargins(8, 4, 8, 4);
    line->setFixedHeight(line->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const int height = line->height();
        line->setGeometry(available.left(), available.bottom() + 1 - height, available.width(), height);
    }
    return line;
}

} // namespace slabcal
