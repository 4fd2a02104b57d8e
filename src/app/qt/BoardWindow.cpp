#include "app/qt/BoardWindow.h"

#include "analysis/qt/AdviceLine.h"
#include "analysis/qt/CurveWindow.h"
#include "app/qt/ReconnectButton.h"
#include "app/qt/TouchSize.h"
#include "framework/qt/ChooseDialogFont.h"
#include "framework/qt/DialogUnits.h"
#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/Utf8.h"
#include "resources/Template102.h"
#include "texts/Texts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace slabcal {
namespace {

// The curve and its seven-column tables beside the dialog need at least this much; narrower, tabs.
constexpr int CurveLeastWidth = 520;
// On a board's screen the chart yields to the findings and the tables beneath it.
constexpr int BoardChartLeastHeight = 160;

// The dialog's frame as the Qt backend will make it: the template's size in its font.
QSize DialogFrameSize() {
    const DialogTemplate& shown = Template102();
    const DialogUnits units = DialogUnits::ForFont(ChooseDialogFont(shown.fontName, shown.fontPoints));
    return {units.ToPixelsX(shown.frame.width), units.ToPixelsY(shown.frame.height)};
}

} // namespace

bool PlatformWithoutWindowManager(const QString& platformName) {
    constexpr std::array<const char*, 4> names{"linuxfb", "eglfs", "vnc", "offscreen"};
    return std::any_of(names.begin(), names.end(), [&](const char* name) {
        return platformName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    });
}

BoardWindow::BoardWindow(const CalibrationWorksheet& worksheet, CurveWindow& curveWindow,
                         std::unique_ptr<QWidget> panel, QRect available)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), curve(curveWindow),
      touchHeight(TouchPixels(available)) {
    setWindowTitle(FromUtf8(Template102().caption));
    // Tabs, the curve's own included, as high as a finger needs; the dialog's controls keep their size.
    setStyleSheet(QStringLiteral("QTabBar::tab { min-height: %1px; }").arg(touchHeight));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    auto* barWidget = new QWidget(this);
    auto* bar = new QHBoxLayout(barWidget);
    bar->setContentsMargins(0, 0, 0, 0);
    curveButton = new QPushButton(curve.windowTitle(), this);
    curveButton->setCheckable(true);
    closeButton = new QPushButton(FromUtf8(texts::board::Close), this);
    // Shown while the converter is lost; F5 as well.
    reconnectButton = new ReconnectButton(*worksheet.Live(), this);
    reconnectButton->InstallKey();
    for (QPushButton* button : {curveButton, static_cast<QPushButton*>(reconnectButton), closeButton}) {
        button->setMinimumHeight(touchHeight);
        button->setAutoDefault(false);
        // The keyboard stays the dialog's: Tab never lands here.
        button->setFocusPolicy(Qt::NoFocus);
    }
    bar->addWidget(curveButton);
    bar->addStretch(1);
    bar->addWidget(reconnectButton);
    bar->addWidget(closeButton);
    connect(curveButton, &QPushButton::clicked, this, [this] { ToggleCurve(); });
    // As Esc: the dialog's Cancel command, with whatever the dialog asks then.
    connect(closeButton, &QPushButton::clicked, this, [this] {
        if (auto* frame = qobject_cast<QDialog*>(hostedFrame.data()))
            frame->reject();
    });

    dialogPage = new QWidget;
    dialogColumn = new QVBoxLayout(dialogPage);
    dialogColumn->setContentsMargins(0, 0, 0, 0);
    adviceLine = new AdviceLine(worksheet, dialogPage);
    adviceLine->setWordWrap(true);
    dialogColumn->addWidget(adviceLine);

    curve.LetChartShrinkTo(BoardChartLeastHeight);
    const QSize dialogSize = DialogFrameSize();
    // The panel is taller than what is left of a board's screen: it scrolls, never the dialog or the curve.
    QScrollArea* panelArea = nullptr;
    if (panel) {
        panelArea = new QScrollArea;
        panelArea->setWindowTitle(panel->windowTitle());
        panelArea->setWidget(panel.release());
        panelArea->setWidgetResizable(true);
        panelArea->setFrameShape(QFrame::NoFrame);
    }
    if (available.width() >= dialogSize.width() + CurveLeastWidth) {
        layout->addWidget(barWidget);
        if (panelArea != nullptr)
            dialogColumn->addWidget(panelArea, 1);
        else
            dialogColumn->addStretch(1);
        dialogPage->setFixedWidth(dialogSize.width());
        auto* body = new QHBoxLayout;
        body->addWidget(dialogPage);
        body->addWidget(&curve, 1);
        layout->addLayout(body, 1);
        curve.show();
    } else {
        dialogColumn->addStretch(1);
        tabs = new QTabWidget(this);
        tabs->addTab(dialogPage, windowTitle());
        tabs->addTab(&curve, curve.windowTitle());
        if (panelArea != nullptr)
            tabs->addTab(panelArea, panelArea->windowTitle());
        // The touch controls beside the tabs: a screen 480 px high has no row to spare for them.
        tabs->setCornerWidget(barWidget, Qt::TopRightCorner);
        layout->addWidget(tabs, 1);
        connect(tabs, &QTabWidget::currentChanged, this, [this] { ShowCurveState(); });
    }
    setGeometry(available);
    qApp->installEventFilter(this);
    ShowCurveState();
}

BoardWindow::~BoardWindow() {
    qApp->removeEventFilter(this);
    // Not ours to delete: the curve window and the dialog's frame belong to the program and the dialog.
    curve.hide();
    curve.setParent(nullptr);
    if (hostedFrame)
        hostedFrame->setParent(nullptr);
}

void BoardWindow::Host(QtDialogWindow& dialog) {
    QDialog& frame = dialog.Frame();
    dialogColumn->insertWidget(0, &frame, 0, Qt::AlignLeft | Qt::AlignTop);
    // Placed by this layout, never centred by QDialog over its parent when shown.
    frame.setAttribute(Qt::WA_Moved);
    hostedFrame = &frame;
}

void BoardWindow::ToggleCurve() {
    if (tabs != nullptr)
        tabs->setCurrentWidget(tabs->currentWidget() == &curve ? dialogPage : static_cast<QWidget*>(&curve));
    else
        curve.setVisible(!curve.isVisible());
    ShowCurveState();
}

void BoardWindow::ShowCurveState() {
    const bool curveShown = tabs != nullptr ? tabs->currentWidget() == &curve : !curve.isHidden();
    curveButton->setChecked(curveShown);
    // The advice stands beside the dialog only while the curve window, which shows it too, is away.
    adviceLine->setVisible(!curveShown);
}

bool BoardWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == CurveWindow::ToggleKey && !key->isAutoRepeat()) {
            ToggleCurve();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace slabcal
