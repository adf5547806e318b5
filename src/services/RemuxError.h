#pragma once
// The one error type a remux run ends with.

#include <QMetaType>
#include <QString>

class RemuxError {
public:
    enum class Kind { compositionFailed, exportFailed, cancelled };

    static RemuxError compositionFailed(const QString& message) { return {Kind::compositionFailed, message}; }
    static RemuxError exportFailed(const QString& message) { return {Kind::exportFailed, message}; }
    static RemuxError cancelled() { return {Kind::cancelled, {}}; }

    RemuxError() = default;
    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }

    // "Composition error: <message>", "Export error: <message>", "Remux cancelled".
    QString errorDescription() const;
    QString localizedDescription() const { return errorDescription(); }

    friend bool operator==(const RemuxError&, const RemuxError&) = default;

private:
    RemuxError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind = Kind::exportFailed;
    QString m_message;
};

Q_DECLARE_METATYPE(RemuxError)
