// gtest main for tests that need a QApplication (widgets, the browser).
#include <QApplication>
#include <gtest/gtest.h>

#ifdef TAMSENOR_TEST_WEBENGINE
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
#ifdef TAMSENOR_TEST_WEBENGINE
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
