#pragma once
// The one error type a remux run ends with.

#include <QMetaType>
#include <QString>

class RenderError {
public:
    enum class Kind { compositionFailed, exportFailed, cancelled };

    static RenderError compositionFailed(const QString& message) { return {Kind::compositionFailed, message}; }
    static RenderError exportFailed(const QString& message) { return {Kind::exportFailed, message}; }
    static RenderError cancelled() { return {Kind::cancelled, {}}; }

    RenderError() = default;
    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }

    // "Composition error: <message>", "Export error: <message>", "Remux cancelled".
    QString errorDescription() const;

    friend bool operator==(const RenderError&, const RenderError&) = default;

private:
    RenderError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind = Kind::exportFailed;
    QString m_message;
};

Q_DECLARE_METATYPE(RenderError)
