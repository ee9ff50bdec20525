<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>EditorAssets</name>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot write the picture %1.</source>
        <translation>Das Bild %1 kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Cannot pack the project %1.</source>
        <translation>Das Projekt %1 kann nicht gepackt werden.</translation>
    </message>
</context>
<context>
    <name>EditorDemo</name>
    <message>
        <source>A stand-in for the video editor that hosts the cloud-disk plug-in.</source>
        <translation>Ein Ersatz für den Videoeditor, der das Cloud-Speicher-Plug-in lädt.</translation>
    </message>
    <message>
        <source>The editor&apos;s account, created on first use.</source>
        <translation>Das Konto des Editors, wird bei der ersten Verwendung angelegt.</translation>
    </message>
    <message>
        <source>dark or light.</source>
        <translation>dark (dunkel) oder light (hell).</translation>
    </message>
    <message>
        <source>Language of the windows, e.g. de.</source>
        <translation>Sprache der Fenster, z. B. de.</translation>
    </message>
    <message>
        <source>Walk through every window and save pictures to this folder.</source>
        <translation>Alle Fenster durchgehen und Bilder in diesem Ordner speichern.</translation>
    </message>
    <message>
        <source>editor-demo: unknown skin %1</source>
        <translation>editor-demo: unbekanntes Design %1</translation>
    </message>
    <message>
        <source>editor-demo: %1</source>
        <translation>editor-demo: %1</translation>
    </message>
    <message>
        <source>Data folder (libraries, host data, drive); a tour needs one whose account has not opened its cloud storage yet, and uses a temporary one when none is given.</source>
        <translation>Datenordner (Bibliotheken, Host-Daten, Laufwerk); ein Rundgang braucht einen, dessen Konto den Cloud-Speicher noch nicht aktiviert hat, und nimmt einen temporären, wenn keiner angegeben ist.</translation>
    </message>
    <message>
        <source>editor-demo: no temporary folder</source>
        <translation>editor-demo: kein temporärer Ordner</translation>
    </message>
</context>
<context>
    <name>EditorHost</name>
    <message>
        <source>Cannot create the account %1 in %2 (code %3).</source>
        <translation>Das Konto %1 kann in %2 nicht angelegt werden (Code %3).</translation>
    </message>
    <message>
        <source>Cannot sign %1 in (see %2).</source>
        <translation>%1 kann nicht angemeldet werden (siehe %2).</translation>
    </message>
    <message>
        <source>Cannot create the folder %1.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>EditorItemManager</name>
    <message>
        <source>The upload of %1 could not start.</source>
        <translation>Das Hochladen von %1 konnte nicht starten.</translation>
    </message>
    <message>
        <source>%1 is not in the cloud yet.</source>
        <translation>%1 ist noch nicht in der Cloud.</translation>
    </message>
</context>
<context>
    <name>EditorLibraryPage</name>
    <message>
        <source>Project files of the editor. Right-click an item to keep it in the cloud.</source>
        <translation>Projektdateien des Editors. Klicken Sie mit der rechten Maustaste auf ein Element, um es in der Cloud zu sichern.</translation>
    </message>
    <message>
        <source>Project templates you made. Right-click a template to upload or share it.</source>
        <translation>Ihre eigenen Projektvorlagen. Klicken Sie mit der rechten Maustaste auf eine Vorlage, um sie hochzuladen oder zu teilen.</translation>
    </message>
    <message>
        <source>Your custom presets. Right-click a preset to back it up.</source>
        <translation>Ihre eigenen Vorgaben. Klicken Sie mit der rechten Maustaste auf eine Vorgabe, um sie zu sichern.</translation>
    </message>
    <message>
        <source>Pictures and clips of the media library. Right-click a file for its cloud actions.</source>
        <translation>Bilder und Clips der Medienbibliothek. Klicken Sie mit der rechten Maustaste auf eine Datei für die Cloud-Aktionen.</translation>
    </message>
    <message>
        <source>Upload to the cloud</source>
        <translation>In die Cloud hochladen</translation>
    </message>
    <message>
        <source>Download from the cloud</source>
        <translation>Aus der Cloud herunterladen</translation>
    </message>
    <message>
        <source>Share link...</source>
        <translation>Link teilen...</translation>
    </message>
    <message>
        <source>Rename in the cloud...</source>
        <translation>In der Cloud umbenennen...</translation>
    </message>
    <message>
        <source>Remove from the cloud...</source>
        <translation>Aus der Cloud entfernen...</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Projects</source>
        <translation>Projekte</translation>
    </message>
    <message>
        <source>Templates</source>
        <translation>Vorlagen</translation>
    </message>
    <message>
        <source>Custom presets</source>
        <translation>Eigene Vorgaben</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Medien</translation>
    </message>
    <message>
        <source>In the cloud</source>
        <translation>In der Cloud</translation>
    </message>
    <message>
        <source>In the cloud as &quot;%1&quot;</source>
        <translation>In der Cloud als „%1“</translation>
    </message>
    <message>
        <source>Uploading, %1%</source>
        <translation>Wird hochgeladen, %1%</translation>
    </message>
    <message>
        <source>Downloading, %1%</source>
        <translation>Wird heruntergeladen, %1%</translation>
    </message>
    <message>
        <source>Upload failed</source>
        <translation>Hochladen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Download failed</source>
        <translation>Herunterladen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Only on this computer</source>
        <translation>Nur auf diesem Computer</translation>
    </message>
    <message>
        <source>Rename in the cloud</source>
        <translation>In der Cloud umbenennen</translation>
    </message>
    <message>
        <source>New name of %1 in the cloud:</source>
        <translation>Neuer Name von %1 in der Cloud:</translation>
    </message>
    <message>
        <source>%1

On this computer: %2
Size: %3
Cloud: %4</source>
        <translation>%1

Auf diesem Computer: %2
Größe: %3
Cloud: %4</translation>
    </message>
    <message>
        <source>%1   (%2)   %3</source>
        <translation>%1   (%2)   %3</translation>
    </message>
</context>
<context>
    <name>EditorMainWindow</name>
    <message>
        <source>%1 is in the cloud now.</source>
        <translation>%1 ist jetzt in der Cloud.</translation>
    </message>
    <message>
        <source>%1 was downloaded to %2.</source>
        <translation>%1 wurde nach %2 heruntergeladen.</translation>
    </message>
    <message>
        <source>Cutlane Editor (demo)</source>
        <translation>Cutlane Editor (Demo)</translation>
    </message>
    <message>
        <source>Cutlane Editor</source>
        <translation>Cutlane Editor</translation>
    </message>
    <message>
        <source>Transfer Center</source>
        <translation>Übertragungen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Export video and upload...</source>
        <translation>Video &amp;exportieren und hochladen...</translation>
    </message>
    <message>
        <source>Open &amp;share link...</source>
        <translation>&amp;Freigabelink öffnen...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Cloud</source>
        <translation>&amp;Cloud</translation>
    </message>
    <message>
        <source>Transfer Center: &amp;uploads</source>
        <translation>Übertragungen: &amp;Uploads</translation>
    </message>
    <message>
        <source>Transfer Center: &amp;downloads</source>
        <translation>Übertragungen: &amp;Downloads</translation>
    </message>
    <message>
        <source>Transfer Center: &amp;finished</source>
        <translation>Übertragungen: &amp;Erledigt</translation>
    </message>
    <message>
        <source>&amp;Sync settings...</source>
        <translation>&amp;Auto-Sync...</translation>
    </message>
    <message>
        <source>The cloud service is not available for %1.</source>
        <translation>Der Cloud-Dienst ist für %1 nicht verfügbar.</translation>
    </message>
    <message>
        <source>The cloud sign-in failed (see %1).</source>
        <translation>Die Anmeldung bei der Cloud ist fehlgeschlagen (siehe %1).</translation>
    </message>
    <message>
        <source>The cloud storage was not opened.</source>
        <translation>Der Cloud-Speicher wurde nicht aktiviert.</translation>
    </message>
    <message>
        <source>Signed in to the cloud as %1.</source>
        <translation>Bei der Cloud angemeldet als %1.</translation>
    </message>
    <message>
        <source>The account token could not be renewed.</source>
        <translation>Das Konto-Token konnte nicht erneuert werden.</translation>
    </message>
    <message>
        <source>%1 was loaded.</source>
        <translation>%1 wurde geladen.</translation>
    </message>
    <message>
        <source>Opening the project %1.</source>
        <translation>Das Projekt %1 wird geöffnet.</translation>
    </message>
    <message>
        <source>The template %1 is in Templates.</source>
        <translation>Die Vorlage %1 liegt unter Vorlagen.</translation>
    </message>
    <message>
        <source>Export %1</source>
        <translation>%1 exportieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Cannot write the export %1.</source>
        <translation>Der Export %1 kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Shared project</source>
        <translation>Geteiltes Projekt</translation>
    </message>
    <message>
        <source>Open share link</source>
        <translation>Freigabelink öffnen</translation>
    </message>
    <message>
        <source>Share link or code:</source>
        <translation>Freigabelink oder Code:</translation>
    </message>
    <message>
        <source>This is not a share link.</source>
        <translation>Das ist kein Freigabelink.</translation>
    </message>
</context>
<context>
    <name>EditorTour</name>
    <message>
        <source>the step did not end within %1 s</source>
        <translation>der Schritt endete nicht innerhalb von %1 s</translation>
    </message>
    <message>
        <source>editor-demo tour: cannot create %1</source>
        <translation>editor-demo-Rundgang: %1 kann nicht angelegt werden</translation>
    </message>
    <message numerus="yes">
        <source>editor-demo tour: %n picture(s) in %1</source>
        <translation>
            <numerusform>editor-demo-Rundgang: %n Bild in %1</numerusform>
            <numerusform>editor-demo-Rundgang: %n Bilder in %1</numerusform>
        </translation>
    </message>
    <message>
        <source>editor-demo tour: %1</source>
        <translation>editor-demo-Rundgang: %1</translation>
    </message>
    <message>
        <source>editor-demo tour: FAILED at &quot;%1&quot;: %2</source>
        <translation>editor-demo-Rundgang: FEHLGESCHLAGEN bei „%1“: %2</translation>
    </message>
    <message>
        <source>the dialog closed before it was pictured</source>
        <translation>der Dialog wurde geschlossen, bevor er aufgenommen war</translation>
    </message>
    <message>
        <source>nothing to picture for %1</source>
        <translation>nichts aufzunehmen für %1</translation>
    </message>
    <message>
        <source>the picture %1 is empty</source>
        <translation>das Bild %1 ist leer</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>editor-demo tour:   %1</source>
        <translation>editor-demo-Rundgang:   %1</translation>
    </message>
    <message>
        <source>the library has no item %1</source>
        <translation>die Bibliothek hat kein Element %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not offered for %2</source>
        <translation>„%1“ wird für %2 nicht angeboten</translation>
    </message>
    <message>
        <source>the dialog %1 has no usable button %2</source>
        <translation>der Dialog %1 hat keine nutzbare Schaltfläche %2</translation>
    </message>
    <message>
        <source>show the editor</source>
        <translation>den Editor zeigen</translation>
    </message>
    <message>
        <source>open the cloud storage with consent</source>
        <translation>den Cloud-Speicher mit Zustimmung aktivieren</translation>
    </message>
    <message>
        <source>the account&apos;s cloud storage is open already: the tour needs a fresh data folder</source>
        <translation>der Cloud-Speicher des Kontos ist bereits aktiviert: der Rundgang braucht einen neuen Datenordner</translation>
    </message>
    <message>
        <source>the consent dialog has no policy check box</source>
        <translation>der Zustimmungsdialog hat kein Kontrollkästchen für die Richtlinien</translation>
    </message>
    <message>
        <source>the consent dialog closed without opening the storage</source>
        <translation>der Zustimmungsdialog wurde geschlossen, ohne den Speicher zu aktivieren</translation>
    </message>
    <message>
        <source>the editor signed in</source>
        <translation>der Editor ist angemeldet</translation>
    </message>
    <message>
        <source>upload a project, a template and a preset</source>
        <translation>ein Projekt, eine Vorlage und eine Vorgabe hochladen</translation>
    </message>
    <message>
        <source>Transfer Center: a running and a paused upload</source>
        <translation>Übertragungen: ein laufender und ein angehaltener Upload</translation>
    </message>
    <message>
        <source>every upload paused</source>
        <translation>alle Uploads angehalten</translation>
    </message>
    <message>
        <source>resume the uploads</source>
        <translation>die Uploads fortsetzen</translation>
    </message>
    <message>
        <source>an upload that fails</source>
        <translation>ein Upload, der fehlschlägt</translation>
    </message>
    <message>
        <source>Transfer Center: the failed upload</source>
        <translation>Übertragungen: der fehlgeschlagene Upload</translation>
    </message>
    <message>
        <source>download a project to a chosen folder</source>
        <translation>ein Projekt in einen gewählten Ordner herunterladen</translation>
    </message>
    <message>
        <source>download a template, a preset and a picture</source>
        <translation>eine Vorlage, eine Vorgabe und ein Bild herunterladen</translation>
    </message>
    <message>
        <source>Transfer Center: finished transfers and sync settings</source>
        <translation>Übertragungen: erledigte Übertragungen und Auto-Sync</translation>
    </message>
    <message>
        <source>share a project</source>
        <translation>ein Projekt teilen</translation>
    </message>
    <message>
        <source>no share link was made</source>
        <translation>es wurde kein Freigabelink erstellt</translation>
    </message>
    <message>
        <source>remove a project from the cloud</source>
        <translation>ein Projekt aus der Cloud entfernen</translation>
    </message>
    <message>
        <source>export a video and upload it</source>
        <translation>ein Video exportieren und hochladen</translation>
    </message>
    <message>
        <source>open the share link</source>
        <translation>den Freigabelink öffnen</translation>
    </message>
    <message>
        <source>the share link could not be opened</source>
        <translation>der Freigabelink konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>quit while an upload runs</source>
        <translation>beenden, während ein Upload läuft</translation>
    </message>
    <message>
        <source>the quit question has no buttons</source>
        <translation>die Beenden-Frage hat keine Schaltflächen</translation>
    </message>
    <message>
        <source>the editor quit although the user stayed</source>
        <translation>der Editor wurde beendet, obwohl der Nutzer bleiben wollte</translation>
    </message>
    <message>
        <source>upload the failed item again</source>
        <translation>das fehlgeschlagene Element erneut hochladen</translation>
    </message>
    <message>
        <source>the transfer of %1 ended (status %2) before it could be paused: the drive is not slow enough for this machine</source>
        <translation>die Übertragung von %1 endete (Status %2), bevor sie angehalten werden konnte: das Laufwerk ist für diesen Rechner nicht langsam genug</translation>
    </message>
    <message>
        <source>start two slow uploads, pause one</source>
        <translation>zwei langsame Uploads starten, einen anhalten</translation>
    </message>
    <message>
        <source>the upload of %1 ended before it was pictured: the drive is not slow enough for this machine</source>
        <translation>der Upload von %1 endete, bevor er aufgenommen war: das Laufwerk ist für diesen Rechner nicht langsam genug</translation>
    </message>
</context>
</TS>
