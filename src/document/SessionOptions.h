// The option flags of a session: colouring of inconsistent cells, reciprocal entry into the
// mirrored cell and automatic overall evaluation. The Option menu shows and sets them; the
// settings keep them between runs.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

namespace priomat {

class SessionOptions : public QObject
{
    Q_OBJECT

public:
    // One setting by section and name: read with a default, or written.
    using SettingReader = std::function<QVariant(const QString &section, const QString &name, const QVariant &defaultValue)>;
    using SettingWriter = std::function<void(const QString &section, const QString &name, const QVariant &value)>;

    explicit SessionOptions(QObject *parent = nullptr) : QObject(parent) {}

    bool color() const { return color_; }
    bool inverse() const { return inverse_; }
    bool calculateAutomatically() const { return calculateAutomatically_; }

    // The flags from the settings; a missing value takes its default.
    void load(const SettingReader &read);
    void store(const SettingWriter &write) const;

public slots:
    void setColor(bool on);
    void setInverse(bool on);
    void setCalculateAutomatically(bool on);

signals:
    // A flag took a new value.
    void changed();

private:
    bool color_ = false;
    bool inverse_ = true;
    bool calculateAutomatically_ = true;
};

} // namespace priomat
