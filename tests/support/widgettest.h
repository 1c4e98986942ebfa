#ifndef WIDGETTEST_H
#define WIDGETTEST_H

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>

// Pictures kept for people to look at: in test-artifacts beside the test programs, or where
// STATIONPANEL_ARTIFACT_DIR says (a test's runtime tree is deleted afterwards). Returns the path,
// empty when the picture could not be written.
inline QString saveArtifact(const QImage& image, const QString& file)
{
    QString dir = qEnvironmentVariable("STATIONPANEL_ARTIFACT_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + "/../test-artifacts";
    QDir().mkpath(dir);
    const QString path = QDir(dir).absoluteFilePath(file);
    if (!image.save(path))
        return QString();
    std::printf("artifact: %s\n", qPrintable(path));
    return path;
}

inline QString saveArtifact(QWidget* widget, const QString& file)
{
    return saveArtifact(widget->grab().toImage(), file);
}

// What the modal message boxes said; each box is closed as soon as it shows.
struct SeenBoxes {
    int count = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class BoxCloser {
public:
    explicit BoxCloser(SeenBoxes* seen)
    {
        QObject::connect(&timer_, &QTimer::timeout, [seen]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen->count += 1;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            box->accept();
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
};

#endif
