#include "app/qt/ReconnectButton.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace slabcal {
namespace {

// The button appears only while the converter is lost and a dialog offers the reconnect; the key works
// from any widget; a converter that came back hides it again.
TEST(ReconnectButton, OffersItselfOnlyWhileTheConverterIsLost) {
    LiveSignal live;
    live.Publish(500);
    const auto button = ReconnectWindow(live);
    QWidget dialog; // the dialog, which has the focus
    auto* field = new QLineEdit(&dialog);
    dialog.show();
    EXPECT_FALSE(button->isVisible());

    int reconnects = 0;
    live.OfferReconnect([&] {
        ++reconnects;
        live.Publish(501);
        return true;
    });
    live.Lost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->isVisible(); }, 5000));
    EXPECT_GE(button->height(), 30); // a finger's width on any screen of 85 dpi or more

    QTest::keyClick(field, ReconnectButton::Key);
    EXPECT_EQ(reconnects, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button->isVisible(); }, 5000));
    QTest::keyClick(field, ReconnectButton::Key); // nothing lost: the key does nothing
    EXPECT_EQ(reconnects, 1);

    // No dialog to reconnect through (its run is over): lost, but nothing to offer.
    live.OfferReconnect(nullptr);
    live.Lost();
    QTest::keyClick(field, ReconnectButton::Key);
    EXPECT_EQ(reconnects, 1);
    EXPECT_FALSE(button->isEnabled() && button->isVisible());
}

} // namespace
} // namespace slabcal
