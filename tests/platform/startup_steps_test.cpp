// The steps of a start are stamped only when asked for, in order on the monotonic clock, and
// only up to the first frame.
#include "platform/log.h"

#include <QLoggingCategory>
#include <QStringList>
#include <gtest/gtest.h>

namespace {
QStringList gLines;
void keep(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (qstrcmp(context.category, "vcd.startup") == 0) gLines << message;
}
}  // namespace

TEST(StartupSteps, StampedOnlyWhenAskedAndOnlyUpToTheFirstFrame) {
  const QtMessageHandler before = qInstallMessageHandler(keep);
  vcd::platform::startupStep("not asked for");
  EXPECT_TRUE(gLines.isEmpty());  // a normal run prints nothing

  QLoggingCategory::setFilterRules(QStringLiteral("vcd.startup.debug=true"));
  vcd::platform::startupStep("one");
  vcd::platform::startupStep("two");
  vcd::platform::startupDone("first frame drawn");
  vcd::platform::startupStep("after the picture");
  vcd::platform::startupDone("a second first frame");
  QLoggingCategory::setFilterRules(QString());
  qInstallMessageHandler(before);

  ASSERT_EQ(gLines.size(), 3) << gLines.join(u'\n').toStdString();
  double last = 0;
  for (const auto& [line, step] : {std::pair{gLines[0], "one"}, {gLines[1], "two"}, {gLines[2], "first frame drawn"}}) {
    // "<monotonic ms> (+<ms since the first stamp>) <step>"
    const QStringList parts = line.split(u' ');
    ASSERT_GE(parts.size(), 3) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QLatin1String(step))) << line.toStdString();
    const double ms = parts[0].toDouble();
    EXPECT_GT(ms, 0);
    EXPECT_GE(ms, last);
    last = ms;
    EXPECT_TRUE(parts[1].startsWith(QLatin1String("(+"))) << line.toStdString();
  }
}
