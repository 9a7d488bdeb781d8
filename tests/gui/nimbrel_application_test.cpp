// The application's one exception display: handlers run from the event loop, start-up code and
// reports of the serial component, from the main thread or another one.
#include "app/nimbrel_application.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <thread>

#include "serial/exception_handler.h"
#include "serial/exceptions.h"
#include "tests/gui/fake_user_dialogs.h"

namespace nimbrel {
namespace {

NimbrelApplication& Application() {
  return *static_cast<NimbrelApplication*>(QCoreApplication::instance());
}

class NimbrelApplicationTest : public testing::Test {
 protected:
  NimbrelApplicationTest() { TestDialogs().Reset(); }
};

TEST_F(NimbrelApplicationTest, ErrorBoxTextEndsWithOneFullStop) {
  EXPECT_EQ(ErrorBoxText(sio::EInOutError("Datei nicht gefunden", 2)), "Datei nicht gefunden.");
  EXPECT_EQ(ErrorBoxText(std::runtime_error("done.")), "done.");
  EXPECT_EQ(ErrorBoxText(std::runtime_error("Zu viele geöffnete Dateien")),
            "Zu viele geöffnete Dateien.");
}

TEST_F(NimbrelApplicationTest, AnExceptionEndingAnEventHandlerIsShownAndTheLoopGoesOn) {
  bool later = false;
  QTimer::singleShot(0, [] { throw sio::EInOutError("Dateizugriff verweigert", 5); });
  QTimer::singleShot(0, [&later] { later = true; });
  EXPECT_TRUE(QTest::qWaitFor([&later] { return later; }));
  EXPECT_EQ(TestDialogs().errors, QStringList{"Dateizugriff verweigert."});
}

TEST_F(NimbrelApplicationTest, StartUpCodeGetsTheSameDisplay) {
  Application().RunHandler([] { throw std::runtime_error("start"); });
  EXPECT_EQ(TestDialogs().errors, QStringList{"start."});
}

TEST_F(NimbrelApplicationTest, ReportsOfTheSerialComponentAreShownByTheMainThread) {
  sio::HandleException(std::runtime_error("on the main thread"));
  EXPECT_EQ(TestDialogs().errors, QStringList{"on the main thread."});
  std::thread worker([] { sio::HandleException(std::runtime_error("from a worker")); });
  worker.join();
  EXPECT_EQ(TestDialogs().errors.size(), 1) << "not shown by the worker";
  EXPECT_TRUE(QTest::qWaitFor([] { return TestDialogs().errors.size() == 2; }));
  EXPECT_EQ(TestDialogs().errors.last(), "from a worker.");
}

}  // namespace
}  // namespace nimbrel
