#include "TaskConnection.h"

#include <QSqlError>
#include <QSqlTableModel>

#include "TaskDb.h"
#include "dialogs/Error.h"

TTaskConnection::TTaskConnection(const QString &ConnectionName) : FConnectionName(ConnectionName) {}

TTaskConnection::~TTaskConnection() {
    Close();
}

QSqlTableModel *TTaskConnection::Open(const QString &ConnStr, QObject *Parent) {
    QSqlDatabase Db = TaskDb::Open(ConnStr, FConnectionName);
    auto *Table = new QSqlTableModel(Parent, Db);
    Table->setObjectName("ADOTable1");
    Table->setTable("Task");
    Table->setEditStrategy(QSqlTableModel::OnManualSubmit);
    if (!Table->select()) {
        const QString Text = TaskDb::ReadErrorText(Table->lastError());
        delete Table;
        throw EError(Text);
    }
    delete FModel;
    FModel = Table;
    return Table;
}

void TTaskConnection::Close() {
    delete FModel;
    FModel = nullptr;
    if (QSqlDatabase::contains(FConnectionName)) {
        QSqlDatabase::database(FConnectionName, false).close();
        QSqlDatabase::removeDatabase(FConnectionName);
    }
}
