// The second data burner component ("CDs / DVDs"): burns a list of files as a
// data disc through DataDiscBurner, with recorders numbered from 0 and the
// disc's file systems chosen by three flags. The disc always has ISO 9660;
// Joliet adds the long Unicode names, and ISO adds Rock Ridge. UDF is not
// written: a burn asked for UDF says so (BurnerNote), and when nothing else
// was asked the disc gets ISO 9660 with Joliet.
//
// BurnDisc returns at once. Events: BurnerInitializing, BurnerAddingFile per
// file, BurnerFileCount, StartBurning, BurnerProgress, BurnerFinalization,
// then either BurnerCompleted, BurnerDoneBurn and BurnerEnd (a burn that ended
// well) or BurnerError (a failure); an abort gives BurnerCanceled followed by
// BurnerError. BurnerEnd and BurnerError each end a burn, never both.
#pragma once

#include "components/DataDiscBurner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace components {

class cBurner : public QObject {
    Q_OBJECT
public:
    explicit cBurner(QObject* parent = nullptr, std::shared_ptr<AudioWriterSeam> writer = {});
    ~cBurner() override;

    // Whether this engine can work here: its libraries start. Tests may
    // answer in its place (nullopt goes back to the probe).
    static bool IsInstalled();
    static void SetInstalledForTesting(std::optional<bool> answer);

    qint32 DeviceCount() const;
    // "E:" for recorder 0 when that is drive E:; "" for no such recorder.
    QString DevicePath(qint32 recorder) const;
    // The recorder's name without its letter ("Virtual drive (/tmp/x)").
    QString DeviceName(qint32 recorder) const;

    void ClearFiles();
    void setFileSystemISO(bool on) { m_iso = on; }
    void setFileSystemJoliet(bool on) { m_joliet = on; }
    void setFileSystemUDF(bool on) { m_udf = on; }
    bool FileSystemISO() const { return m_iso; }
    bool FileSystemJoliet() const { return m_joliet; }
    bool FileSystemUDF() const { return m_udf; }
    void setVolumeName(const QString& name) { m_volumeName = name; }
    void setPublisher(const QString& text) { m_publisher = text; }
    // The file goes on the disc under its own name; false when it does not
    // exist or its name is already in the list.
    bool AddFile(const QString& path);
    QStringList Files() const { return m_files; }

    void BurnDisc(qint32 recorder);
    // Stops a running burn; BurnerCanceled and BurnerError follow.
    void Abort();
    bool isBurning() const;
    void waitForFinished();
    void Close();

    DataDiscBurner& engine() { return m_engine; }

signals:
    void BurnerInitializing();
    void StartBurning();
    void BurnerFileCount(qint32 Files, qint32 Folders);
    void BurnerAddingFile(const QString& Path);
    void BurnerProgress(qint32 Percent);
    void BurnerFinalization();
    void BurnerCompleted();
    void BurnerDoneBurn();
    void BurnerCanceled();
    void BurnerEnd();
    void BurnerError(const QString& Detail, const QString& Message);
    // What the component could not do as asked (UDF), said before the burn.
    void BurnerNote(const QString& Text);

private:
    DataDiscBurner m_engine;
    QStringList m_files;
    QString m_volumeName;
    QString m_publisher;
    bool m_iso = false;
    bool m_joliet = false;
    bool m_udf = false;
};

} // namespace components
