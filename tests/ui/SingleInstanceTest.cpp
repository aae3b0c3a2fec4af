#include "ui/SingleInstance.h"

#include <QSignalSpy>
#include <QUuid>

#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

QString uniqueScope() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(SingleInstanceTest, SecondStartActivatesTheFirstAndEnds) {
    const QString scope = uniqueScope();
    SingleInstance first(scope);
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isPrimary());
    QSignalSpy activated(&first, &SingleInstance::activationRequested);
    // The switches of the second start play no part: it never looks at them.
    for (int start = 1; start <= 2; ++start) {
        SingleInstance next(scope);
        EXPECT_FALSE(next.claim());
        EXPECT_FALSE(next.isPrimary());
        EXPECT_TRUE(testing::SpinUntil([&] { return activated.count() == start; }));
    }
    // Another user or machine scope is independent.
    SingleInstance elsewhere(uniqueScope());
    EXPECT_TRUE(elsewhere.claim());
}

TEST(SingleInstanceTest, LeftoverSocketOfAnEndedInstanceIsTakenOver) {
    const QString scope = uniqueScope();
    {
        SingleInstance ended(scope);
        ASSERT_TRUE(ended.claim());
    }
    SingleInstance next(scope);
    EXPECT_TRUE(next.claim());
    EXPECT_TRUE(next.isPrimary());
}

}  // namespace
}  // namespace quorvel::ui
