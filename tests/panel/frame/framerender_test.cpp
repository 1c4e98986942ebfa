#include "form.h"
#include "globalvar.h"
#include "htstatbar.h"
#include "monitorset.h"
#include "mybasedialog.h"
#include "mytoolbar.h"
#include "runtimetree.h"
#include "widgettest.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QVBoxLayout>
#include <cstdio>


TEST(FrameRender, ToolBarFormAndStatusBarToPng)
{
    RuntimeTree tree(true); // the logo comes from the runtime template
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    keyword_right = 3;
    set[1].value = 0;
    set[21].value = 0;
    set[24].value = 0;
    set[26].value = 1;

    // Laid out as the main window lays out its frame.
    MyBaseDialog window;
    window.resize(800, 600);
    MyToolBar* bar = new MyToolBar(&window);
    Form* form = new Form(&window);
    HTStatbar* status = new HTStatbar(&window);
    QVBoxLayout* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(form);
    layout->addWidget(status);
    QObject::connect(bar, &MyToolBar::signal_toolbar, form, &Form::slot_toolbar);

    bar->changeUser(3);
    status->user_changed(3);
    status->updateTime();
    bar->setWaring(true, 12);
    form->slot_toolbar(2);
    window.show();
    QApplication::processEvents();

    QImage img = window.grab().toImage();
    ASSERT_EQ(img.size(), QSize(800, 600));
    EXPECT_EQ(img.pixelColor(790, 5), QColor("#E6F5EE"));
    EXPECT_EQ(img.pixelColor(790, 60), QColor(0, 155, 77));
    ASSERT_FALSE(saveArtifact(img, "frame.png").isEmpty());
}
