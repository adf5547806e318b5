<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Appcast</name>
    <message>
        <source>The update feed is not valid XML (line %1: %2).</source>
        <translation>Der Update-Feed ist kein gültiges XML (Zeile %1: %2).</translation>
    </message>
    <message>
        <source>The update feed lists no releases.</source>
        <translation>Der Update-Feed enthält keine Versionen.</translation>
    </message>
    <message>
        <source>The update feed names no version for its releases.</source>
        <translation>Der Update-Feed nennt keine Versionsnummer für seine Versionen.</translation>
    </message>
</context>
<context>
    <name>CheckForUpdatesViewModel</name>
    <message>
        <source>This build has no update feed</source>
        <translation>Dieser Build hat keinen Update-Feed</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Suche nach Updates …</translation>
    </message>
    <message>
        <source>A New Version Is Available</source>
        <translation>Eine neue Version ist verfügbar</translation>
    </message>
    <message>
        <source>Loopcaster %1 is available; you have %2.</source>
        <translation>Loopcaster %1 ist verfügbar; installiert ist %2.</translation>
    </message>
    <message>
        <source>
Get it from %1</source>
        <translation>
Hol sie dir unter %1</translation>
    </message>
    <message>
        <source>You&apos;re Up to Date</source>
        <translation>Loopcaster ist auf dem neuesten Stand</translation>
    </message>
    <message>
        <source>Loopcaster %1 is the newest version available.</source>
        <translation>Loopcaster %1 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>Update Check Failed</source>
        <translation>Update-Prüfung fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>DashboardViewModel</name>
    <message>
        <source>Choose a playlist folder with songs first</source>
        <translation>Wähle zuerst einen Playlist-Ordner mit Songs</translation>
    </message>
    <message>
        <source>Drop or choose a video or image first</source>
        <translation>Lege zuerst ein Video oder Bild ab oder wähle eines aus</translation>
    </message>
    <message>
        <source>Wait for the queue to finish</source>
        <translation>Warte, bis die Warteschlange fertig ist</translation>
    </message>
    <message>
        <source>Added 1 file</source>
        <translation>1 Datei hinzugefügt</translation>
    </message>
    <message numerus="yes">
        <source>Added %n files</source>
        <translation>
            <numerusform>%n Datei hinzugefügt</numerusform>
            <numerusform>%n Dateien hinzugefügt</numerusform>
        </translation>
    </message>
    <message>
        <source>Started 1 job</source>
        <translation>1 Auftrag gestartet</translation>
    </message>
    <message numerus="yes">
        <source>Started %n jobs</source>
        <translation>
            <numerusform>%n Auftrag gestartet</numerusform>
            <numerusform>%n Aufträge gestartet</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>JobService</name>
    <message>
        <source>All jobs have been processed successfully.</source>
        <translation>Alle Aufträge wurden erfolgreich verarbeitet.</translation>
    </message>
    <message numerus="yes">
        <source>All jobs have been processed. %n failed.</source>
        <translation>
            <numerusform>Alle Aufträge wurden verarbeitet. %n ist fehlgeschlagen.</numerusform>
            <numerusform>Alle Aufträge wurden verarbeitet. %n sind fehlgeschlagen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Queue Finished</source>
        <translation>Warteschlange abgeschlossen</translation>
    </message>
</context>
<context>
    <name>JobStatus</name>
    <message>
        <source>Building audio mix (Crossfade: %1s)...</source>
        <translation>Audiomix wird erstellt (Überblendung: %1 s) …</translation>
    </message>
    <message>
        <source>Mixing audio %1/%2...</source>
        <translation>Audio wird gemischt %1/%2 …</translation>
    </message>
    <message>
        <source>Remuxing... %1%</source>
        <translation>Film wird geschrieben … %1 %</translation>
    </message>
    <message>
        <source>Preparing...</source>
        <translation>Vorbereitung …</translation>
    </message>
    <message>
        <source>Composition ready, starting export...</source>
        <translation>Mix bereit, Export beginnt …</translation>
    </message>
    <message>
        <source>Remuxing...</source>
        <translation>Film wird geschrieben …</translation>
    </message>
    <message>
        <source>Finalizing...</source>
        <translation>Wird abgeschlossen …</translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation>Abgeschlossen!</translation>
    </message>
    <message>
        <source>Preparing image...</source>
        <translation>Bild wird vorbereitet …</translation>
    </message>
    <message>
        <source>Preparing video loop...</source>
        <translation>Videoschleife wird vorbereitet …</translation>
    </message>
    <message>
        <source>Waiting...</source>
        <translation>Wartet …</translation>
    </message>
    <message>
        <source>Cannot access video file</source>
        <translation>Kein Zugriff auf die Videodatei</translation>
    </message>
    <message>
        <source>Invalid output path</source>
        <translation>Ungültiger Ausgabepfad</translation>
    </message>
    <message>
        <source>Saving tracklist...</source>
        <translation>Titelliste wird gespeichert …</translation>
    </message>
    <message>
        <source>Paused (Queue Paused)</source>
        <translation>Angehalten (Warteschlange pausiert)</translation>
    </message>
    <message>
        <source>Thermal Pause (machine too hot)</source>
        <translation>Hitzepause (Rechner zu heiß)</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Unterbrochen</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Initializing...</source>
        <translation>Wird vorbereitet …</translation>
    </message>
    <message>
        <source>Cancelled by user</source>
        <translation>Vom Benutzer abgebrochen</translation>
    </message>
    <message>
        <source>Retrying...</source>
        <translation>Neuer Versuch …</translation>
    </message>
</context>
<context>
    <name>LoopcasterApp</name>
    <message>
        <source>Could not show the folder %1</source>
        <translation>Der Ordner %1 konnte nicht angezeigt werden</translation>
    </message>
    <message>
        <source>&amp;Loopcaster</source>
        <translation>&amp;Loopcaster</translation>
    </message>
    <message>
        <source>About Loopcaster</source>
        <translation>Über Loopcaster</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Turns a clip or a photo into a long music video with a crossfaded mix of your songs.</source>
        <translation>Macht aus einem Clip oder Foto ein langes Musikvideo mit einem überblendeten Mix deiner Songs.</translation>
    </message>
    <message>
        <source>Get the New Version</source>
        <translation>Neue Version holen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen …</translation>
    </message>
</context>
<context>
    <name>QueueViewModel</name>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>%1 left in the queue</source>
        <translation>noch %1 für die Warteschlange</translation>
    </message>
</context>
<context>
    <name>SettingsViewModel</name>
    <message>
        <source>Not Selected</source>
        <translation>Nicht ausgewählt</translation>
    </message>
    <message numerus="yes">
        <source>%1 · %n musics</source>
        <translation>
            <numerusform>%1 · %n Song</numerusform>
            <numerusform>%1 · %n Songs</numerusform>
        </translation>
    </message>
    <message>
        <source>Downloads (Default)</source>
        <translation>Downloads (Standard)</translation>
    </message>
</context>
<context>
    <name>StatusItemViewModel</name>
    <message>
        <source>Resume Queue</source>
        <translation>Warteschlange fortsetzen</translation>
    </message>
    <message>
        <source>Pause Queue</source>
        <translation>Warteschlange anhalten</translation>
    </message>
    <message>
        <source>rendering</source>
        <translation>rendert</translation>
    </message>
    <message>
        <source>not running</source>
        <translation>läuft nicht</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
<context>
    <name>UpdateChecker</name>
    <message>
        <source>The update feed did not arrive within %1 seconds.</source>
        <translation>Der Update-Feed kam nicht innerhalb von %1 Sekunden an.</translation>
    </message>
    <message>
        <source>The update feed is larger than %1 MiB.</source>
        <translation>Der Update-Feed ist größer als %1 MiB.</translation>
    </message>
    <message>
        <source>The update feed could not be reached: %1</source>
        <translation>Der Update-Feed ist nicht erreichbar: %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Turns video clips and photos into long music videos.</source>
        <translation>Macht aus Videoclips und Fotos lange Musikvideos.</translation>
    </message>
    <message>
        <source>Videos and images to add to the queue.</source>
        <translation>Videos und Bilder, die in die Warteschlange kommen.</translation>
    </message>
    <message>
        <source>Loopcaster cannot start.</source>
        <translation>Loopcaster kann nicht starten.</translation>
    </message>
    <message>
        <source>Loopcaster cannot open its job store.</source>
        <translation>Loopcaster kann seine Auftragsdatenbank nicht öffnen.</translation>
    </message>
</context>
<context>
    <name>views::ContentView</name>
    <message>
        <source>Add Videos or Images...</source>
        <translation>Videos oder Bilder hinzufügen …</translation>
    </message>
    <message>
        <source>Start Processing</source>
        <translation>Verarbeitung starten</translation>
    </message>
</context>
<context>
    <name>views::DashboardView</name>
    <message>
        <source>Movies and Images (%1)</source>
        <translation>Filme und Bilder (%1)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Add Videos or Images</source>
        <translation>Videos oder Bilder hinzufügen</translation>
    </message>
    <message numerus="yes">
        <source>Start Processing (%n)</source>
        <translation>
            <numerusform>Verarbeitung starten (%n)</numerusform>
            <numerusform>Verarbeitung starten (%n)</numerusform>
        </translation>
    </message>
    <message>
        <source>Start Processing </source>
        <translation>Verarbeitung starten </translation>
    </message>
</context>
<context>
    <name>views::DropArea</name>
    <message>
        <source>Drop Video or Image</source>
        <translation>Video oder Bild ablegen</translation>
    </message>
    <message>
        <source>Supports MP4, MOV, PNG, JPG</source>
        <translation>Unterstützt MP4, MOV, PNG, JPG</translation>
    </message>
    <message>
        <source>Click or drop more to add</source>
        <translation>Klicken oder weitere ablegen</translation>
    </message>
    <message numerus="yes">
        <source>%n files selected</source>
        <translation>
            <numerusform>%n Datei ausgewählt</numerusform>
            <numerusform>%n Dateien ausgewählt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>views::FolderRow</name>
    <message>
        <source>Clear %1</source>
        <translation>%1 zurücksetzen</translation>
    </message>
</context>
<context>
    <name>views::JobRow</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Show in File Manager</source>
        <translation>Im Dateimanager zeigen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
</context>
<context>
    <name>views::PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Titles from Song Tags</source>
        <translation>Titel aus Song-Tags</translation>
    </message>
    <message>
        <source>Tracklist and chapters read “Artist – Title”; songs without a title tag keep their file name.</source>
        <translation>Trackliste und Kapitel zeigen „Interpret – Titel“; Songs ohne Titel-Tag behalten ihren Dateinamen.</translation>
    </message>
    <message>
        <source>Changes apply to jobs added from now on.</source>
        <translation>Änderungen gelten für Aufträge, die ab jetzt hinzukommen.</translation>
    </message>
    <message>
        <source>Match Loudness</source>
        <translation>Lautheit angleichen</translation>
    </message>
    <message>
        <source>Every song plays at the same loudness (EBU R128), each with one gain of its own; nothing is compressed.</source>
        <translation>Jeder Song spielt gleich laut (EBU R128), jeder mit einer eigenen festen Verstärkung; nichts wird komprimiert.</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>Ziel:</translation>
    </message>
    <message>
        <source>True-peak ceiling:</source>
        <translation>True-Peak-Obergrenze:</translation>
    </message>
</context>
<context>
    <name>views::QueueView</name>
    <message>
        <source>No Jobs Queue</source>
        <translation>Keine Aufträge</translation>
    </message>
    <message>
        <source>Add videos to start processing</source>
        <translation>Füge Videos hinzu, um zu beginnen</translation>
    </message>
    <message>
        <source>Job Queue</source>
        <translation>Warteschlange</translation>
    </message>
    <message>
        <source>Retry Failed Jobs</source>
        <translation>Fehlgeschlagene Aufträge wiederholen</translation>
    </message>
    <message>
        <source>Clear Finished Jobs</source>
        <translation>Erledigte Aufträge entfernen</translation>
    </message>
    <message numerus="yes">
        <source>%n items</source>
        <translation>
            <numerusform>%n Auftrag</numerusform>
            <numerusform>%n Aufträge</numerusform>
        </translation>
    </message>
    <message>
        <source>Resume Queue</source>
        <translation>Warteschlange fortsetzen</translation>
    </message>
    <message>
        <source>Pause Queue</source>
        <translation>Warteschlange anhalten</translation>
    </message>
    <message>
        <source>Rendering</source>
        <translation>Rendert</translation>
    </message>
    <message>
        <source>Not running</source>
        <translation>Läuft nicht</translation>
    </message>
    <message>
        <source>Clear Finished Jobs?</source>
        <translation>Erledigte Aufträge entfernen?</translation>
    </message>
    <message>
        <source>This will remove all completed and failed jobs from the list. Files will remain on disk.</source>
        <translation>Alle abgeschlossenen und fehlgeschlagenen Aufträge werden aus der Liste entfernt. Die Dateien bleiben erhalten.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Entfernen</translation>
    </message>
</context>
<context>
    <name>views::SettingsView</name>
    <message>
        <source>Playlist Folder</source>
        <translation>Playlist-Ordner</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Select Playlist Folder</source>
        <translation>Playlist-Ordner auswählen</translation>
    </message>
    <message>
        <source>Select Output Folder</source>
        <translation>Ausgabeordner auswählen</translation>
    </message>
    <message>
        <source>Songs per Video</source>
        <translation>Songs pro Video</translation>
    </message>
    <message>
        <source>Fewer Songs per Video</source>
        <translation>Weniger Songs pro Video</translation>
    </message>
    <message>
        <source>More Songs per Video</source>
        <translation>Mehr Songs pro Video</translation>
    </message>
    <message>
        <source>Crossfade Duration</source>
        <translation>Überblenddauer</translation>
    </message>
    <message>
        <source>Available: %1</source>
        <translation>Verfügbar: %1</translation>
    </message>
    <message>
        <source>Songs per Video: %1</source>
        <translation>Songs pro Video: %1</translation>
    </message>
</context>
<context>
    <name>views::StatusTrayIcon</name>
    <message>
        <source>Show Loopcaster</source>
        <translation>Loopcaster anzeigen</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Loopcaster: %1</source>
        <translation>Loopcaster: %1</translation>
    </message>
    <message>
        <source>Loopcaster: %1, %2</source>
        <translation>Loopcaster: %1, %2</translation>
    </message>
</context>
<context>
    <name>views::ToastView</name>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>views::VideoDropZone</name>
    <message>
        <source>Media Source</source>
        <translation>Medienquelle</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation>Alle entfernen</translation>
    </message>
</context>
</TS>
