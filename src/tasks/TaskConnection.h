#pragma once

#include <QPointer>
#include <QSqlTableModel>
#include <QString>

// Table Task opened for browsing and editing: a connection of its own to the database and one
// table model on it that stores rows only when asked to. Destroying it closes both.
class TTaskConnection {
public:
    explicit TTaskConnection(const QString &ConnectionName);
    ~TTaskConnection();
    TTaskConnection(const TTaskConnection &) = delete;
    TTaskConnection &operator=(const TTaskConnection &) = delete;

    // Opens the database ConnStr names and reads the table into a model that Parent holds (this
    // object still deletes it when closing); raises EError with the database's own text. Nothing
    // is left open after a failure.
    QSqlTableModel *Open(const QString &ConnStr, QObject *Parent);
    // The open table, or none.
    QSqlTableModel *Model() const { return FModel; }
    void Close();

private:
    QString FConnectionName;
    QPointer<QSqlTableModel> FModel;
};
