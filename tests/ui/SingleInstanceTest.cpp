#include "ui/SingleInstance.h"

#include <QLocalServer>
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
    SingleInstance second(scope);
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(testing::SpinUntil([&] { return activated.count() == 1; }));

    SingleInstance third(scope);
    EXPECT_FALSE(third.claim());
    EXPECT_TRUE(testing::SpinUntil([&] { return activated.count() == 2; }));

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

TEST(SingleInstanceTest, NamesDependOnScopeAndAreSafeForSockets) {
    const QString name = SingleInstance::socketName();
    EXPECT_EQ(name, SingleInstance::socketName());
    EXPECT_NE(name, SingleInstance::socketName(QStringLiteral("x")));
    for (const QChar c : name)
        EXPECT_TRUE(c.isLetterOrNumber() || c == QLatin1Char('-')) << name.toStdString();
}

}  // namespace
}  // namespace quorvel::ui
