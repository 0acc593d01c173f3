#include "Help.h"

TFrm_Help::TFrm_Help(QWidget *Parent) : QWidget(Parent, Qt::Window) {
    setObjectName("Frm_Help");
    setWindowTitle("帮助");
    setFixedSize(299, 218);
}
