#include "Pop.h"

TFrm_Pop::TFrm_Pop(QWidget *Parent) : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName("Frm_Pop");
    setWindowTitle("提醒");
    setFont(QFont("Tahoma", 8));
    resize(255, 159);
}
