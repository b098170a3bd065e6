// The floor that the program's whole-process figures are stated against: a bare Qt 6 window in
// the "Windows" style. With --timers it runs the three timers the main window runs (1, 2 and
// 5 s, each setting a label to the text it already shows); without, it only starts and shows.
// --print-shown writes one line to standard output once the window is shown, as the program's
// --dump-widgets does, so that start-up is measured to the same point.
#include <QApplication>
#include <QLabel>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    bool timers = false, printShown = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timers") == 0) timers = true;
        if (std::strcmp(argv[i], "--print-shown") == 0) printShown = true;
    }
    QApplication app(argc, argv);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(style);
    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.setFixedSize(515, 309);
    QLabel label(QStringLiteral("Memória"), &window);
    label.move(10, 10);
    QTimer t1, t2, t3;
    if (timers) {
        for (auto [timer, ms] : {std::pair{&t1, 1000}, std::pair{&t2, 2000}, std::pair{&t3, 5000}}) {
            timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer, &QTimer::timeout, &label, [&label] { label.setText(label.text()); });
            timer->start(ms);
        }
    }
    window.show();
    if (printShown)
        QTimer::singleShot(0, &app, [] {
            std::puts("shown");
            std::fflush(stdout);
            QApplication::quit();
        });
    return app.exec();
}
