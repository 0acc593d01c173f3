#include "About.h"

TFrm_About::TFrm_About(QWidget *Parent) : QWidget(Parent, Qt::Window) {
    setObjectName("Frm_About");
    setWindowTitle("关于");
    setFixedSize(315, 187);
}
