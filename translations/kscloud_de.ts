<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>KExportUploadDlg</name>
    <message>
        <source>Uploading</source>
        <translation>Wird hochgeladen</translation>
    </message>
    <message>
        <source>Please wait for a few minutes, still processing.</source>
        <translation>Bitte warten Sie einige Minuten, die Verarbeitung läuft noch.</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please check your connection and try again.</source>
        <translation>Bitte Verbindung prüfen und erneut versuchen.</translation>
    </message>
    <message>
        <source>Upload failed. Network connection problems.</source>
        <translation>Hochladen fehlgeschlagen. Netzwerkproblem.</translation>
    </message>
    <message>
        <source>Failed. There is insufficient disk space.</source>
        <translation>Fehlgeschlagen. Der Datenträger ist voll.</translation>
    </message>
    <message>
        <source>Expand Now.</source>
        <translation>Jetzt erweitern.</translation>
    </message>
    <message>
        <source>Failed. Insufficient Cloud space.</source>
        <translation>Fehlgeschlagen. Cloud-Speicher voll.</translation>
    </message>
    <message>
        <source>Upload failed. Please try again.</source>
        <translation>Hochladen fehlgeschlagen. Bitte erneut versuchen.</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskActivateDialog</name>
    <message>
        <source>Asia (Singapore)</source>
        <translation>Asien (Singapur)</translation>
    </message>
    <message>
        <source>Asia (India)</source>
        <translation>Asien (Indien)</translation>
    </message>
    <message>
        <source>North America (United States)</source>
        <translation>Nordamerika (USA)</translation>
    </message>
    <message>
        <source>Asia (Indonesia)</source>
        <translation>Asien (Indonesien)</translation>
    </message>
    <message>
        <source>Europe (Germany)</source>
        <translation>Europa (Deutschland)</translation>
    </message>
    <message>
        <source>Asia (China)</source>
        <translation>Asien (China)</translation>
    </message>
    <message>
        <source>Upload media files to the cloud for backup and sharing.</source>
        <translation>Laden Sie Mediendateien in die Cloud hoch, um sie zu sichern und zu teilen.</translation>
    </message>
    <message>
        <source>Open cloud storage and get cloud space for free.</source>
        <translation>Aktivieren Sie den Cloud-Speicher und erhalten Sie kostenlosen Speicherplatz.</translation>
    </message>
    <message>
        <source>Your data will be stored in %1, and we will strictly protect your personal data in accordance with laws and regulations.</source>
        <translation>Ihre Daten werden in %1 gespeichert. Wir schützen Ihre personenbezogenen Daten streng nach den geltenden Gesetzen und Vorschriften.</translation>
    </message>
    <message>
        <source>I accept</source>
        <translation>Ich akzeptiere</translation>
    </message>
    <message>
        <source>Authorization failed, please click authorization again!</source>
        <translation>Autorisierung fehlgeschlagen. Bitte autorisieren Sie erneut.</translation>
    </message>
    <message>
        <source>Please Agree to Our Policy First</source>
        <translation>Bitte stimmen Sie zuerst unseren Richtlinien zu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Aktivieren</translation>
    </message>
    <message>
        <source>OK</source>
        <comment>the cloud service is open</comment>
        <translation>OK</translation>
    </message>
    <message>
        <source>Orvane Privacy Policy</source>
        <translation>die Orvane-Datenschutzerklärung</translation>
    </message>
    <message>
        <source>End User License Agreement</source>
        <translation>die EULA</translation>
    </message>
    <message>
        <source>and</source>
        <comment>between the two policy links</comment>
        <translation>und</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskDownloadDialog</name>
    <message>
        <source>Load File</source>
        <translation>Datei laden</translation>
    </message>
    <message>
        <source>Loading file. Please wait...</source>
        <translation>Datei wird geladen. Bitte warten...</translation>
    </message>
    <message>
        <source>Silent loading</source>
        <translation>Im Hintergrund laden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancel loading tip</source>
        <translation>Laden abbrechen</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel the load? If you cancel, you need to load the file again to open it.</source>
        <translation>Möchten Sie das Laden wirklich abbrechen? Um die Datei zu öffnen, müssen Sie sie dann erneut laden.</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskFloatingWidget</name>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>The &quot;%1&quot; file has been loaded. Do you want to open the file now?</source>
        <translation>Die Datei „%1“ wurde geladen. Möchten Sie sie jetzt öffnen?</translation>
    </message>
    <message>
        <source>Open now</source>
        <translation>Jetzt öffnen</translation>
    </message>
    <message>
        <source>The &quot;%1&quot; file has been loaded. You can drag the project template to the timeline to use in the Media - Template - Custom directory.</source>
        <translation>Die Datei „%1“ wurde geladen. Sie finden die Projektvorlage unter Medien – Vorlagen – Eigene und können sie von dort auf die Zeitleiste ziehen.</translation>
    </message>
    <message>
        <source>Use Now</source>
        <translation>Jetzt verwenden</translation>
    </message>
    <message>
        <source>Load complete tip</source>
        <translation>Laden abgeschlossen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskProjectArchiveTask</name>
    <message>
        <source>The project archive holds no project.</source>
        <translation>Das Projektarchiv enthält kein Projekt.</translation>
    </message>
    <message>
        <source>The project file cannot be unpacked: %1</source>
        <translation>Die Projektdatei kann nicht entpackt werden: %1</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskProjectTask</name>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>The file does not exist: %1</source>
        <translation>Die Datei existiert nicht: %1</translation>
    </message>
    <message>
        <source>The project file cannot be unpacked: %1</source>
        <translation>Die Projektdatei kann nicht entpackt werden: %1</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskReLoginDialog</name>
    <message>
        <source>You can back up your files to the cloud quickly after logging into the cloud drive.</source>
        <translation>Nach der Anmeldung beim Cloud-Speicher können Sie Ihre Dateien schnell in der Cloud sichern.</translation>
    </message>
    <message>
        <source>Logging in to cloud space. Please wait.</source>
        <translation>Anmeldung beim Cloud-Speicher. Bitte warten.</translation>
    </message>
    <message>
        <source>Login failed, please click login again!</source>
        <translation>Anmeldung fehlgeschlagen. Bitte melden Sie sich erneut an.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskReadiness</name>
    <message>
        <source>Logging in to cloud space. Please wait.</source>
        <translation>Anmeldung beim Cloud-Speicher. Bitte warten.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Are you sure you want to quit?</source>
        <translation>Wirklich beenden?</translation>
    </message>
    <message>
        <source>You have task in progress</source>
        <translation>Es laufen noch Übertragungen.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Syncing in process, please wait...</source>
        <translation>Synchronisierung läuft, bitte warten...</translation>
    </message>
    <message>
        <source>Buy Storage</source>
        <translation>Speicher kaufen</translation>
    </message>
    <message>
        <source>Lack of Storage</source>
        <translation>Zu wenig Speicherplatz</translation>
    </message>
    <message>
        <source>Insufficient cloud storage. Please buy more.</source>
        <translation>Nicht genügend Cloud-Speicher. Bitte erwerben Sie mehr Speicherplatz.</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskRemoveDialog</name>
    <message>
        <source>Are you sure you want to delete the file from the cloud storage? </source>
        <translation>Möchten Sie die Datei wirklich aus dem Cloud-Speicher löschen? </translation>
    </message>
    <message>
        <source>After deleting, you can check the deleted files in the cloud storage&apos;s recycle bin.</source>
        <translation>Gelöschte Dateien finden Sie anschließend im Papierkorb des Cloud-Speichers.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please check your internet connection and try again.</source>
        <translation>Bitte prüfen Sie Ihre Internetverbindung und versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskShareDialog</name>
    <message>
        <source>Share</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Create Link</source>
        <translation>Link erstellen</translation>
    </message>
    <message>
        <source>There is no network, please check the network before clicking share.</source>
        <translation>Keine Netzwerkverbindung. Bitte prüfen Sie das Netzwerk, bevor Sie teilen.</translation>
    </message>
    <message>
        <source>Sorry, the file is corrupted, please check it before clicking share.</source>
        <translation>Die Datei ist leider beschädigt. Bitte prüfen Sie sie, bevor Sie sie teilen.</translation>
    </message>
    <message>
        <source>Your cloud membership benefits don&apos;t support sharing files of this size, please upgrade your membership and try again.</source>
        <translation>Ihre Cloud-Mitgliedschaft erlaubt das Teilen von Dateien dieser Größe nicht. Bitte erweitern Sie Ihre Mitgliedschaft und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Sorry,link creation failed.Please recreate the link.</source>
        <translation>Der Link konnte leider nicht erstellt werden. Bitte erstellen Sie ihn erneut.</translation>
    </message>
    <message>
        <source>Lack of Storage</source>
        <translation>Zu wenig Speicherplatz</translation>
    </message>
    <message>
        <source>Insufficient cloud storage. Please buy more.</source>
        <translation>Nicht genügend Cloud-Speicher. Bitte erwerben Sie mehr Speicherplatz.</translation>
    </message>
    <message>
        <source>Buy Storage</source>
        <translation>Speicher kaufen</translation>
    </message>
    <message>
        <source>Link copied successfully!</source>
        <translation>Link kopiert!</translation>
    </message>
    <message>
        <source>Link:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>Extraction code</source>
        <translation>Zugriffscode</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskShareWidget</name>
    <message>
        <source>Without password</source>
        <translation>Ohne Passwort</translation>
    </message>
    <message>
        <source>With password</source>
        <translation>Mit Passwort</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Support 4 letters or numbers</source>
        <translation>4 Buchstaben oder Ziffern</translation>
    </message>
    <message>
        <source>Validity Period</source>
        <translation>Gültigkeit</translation>
    </message>
    <message>
        <source>Permanent</source>
        <translation>Unbegrenzt</translation>
    </message>
    <message>
        <source>day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>Permission</source>
        <translation>Berechtigung</translation>
    </message>
    <message>
        <source>Allow downloads</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Allow comments</source>
        <translation>Kommentieren</translation>
    </message>
    <message>
        <source>The number of downloads is determined by the cloud membership rights.</source>
        <translation>Wie oft heruntergeladen werden kann, hängt von Ihrer Cloud-Mitgliedschaft ab.</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskStatusButtons</name>
    <message>
        <source>%1 item(s) has been added to the Transfer Center.</source>
        <translation>%1 Element(e) zu den Übertragungen hinzugefügt.</translation>
    </message>
    <message>
        <source>Click to view</source>
        <translation>Anzeigen</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskTask</name>
    <message>
        <source>Sorry, the file is corrupted!</source>
        <translation>Die Datei ist leider beschädigt!</translation>
    </message>
    <message>
        <source>The file is no longer available, please contact the sharer to re-share it.</source>
        <translation>Die Datei ist nicht mehr verfügbar. Bitten Sie die Person, die sie geteilt hat, sie erneut zu teilen.</translation>
    </message>
    <message>
        <source>Your computer seems to be offline,causing a connection error.Please check your connection and try again.</source>
        <translation>Ihr Computer scheint offline zu sein. Bitte prüfen Sie Ihre Verbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The transfer failed (code %1).</source>
        <translation>Die Übertragung ist fehlgeschlagen (Code %1).</translation>
    </message>
    <message>
        <source>The project file cannot be unpacked.</source>
        <translation>Die Projektdatei kann nicht entpackt werden.</translation>
    </message>
    <message>
        <source>The file does not exist: %1</source>
        <translation>Die Datei existiert nicht: %1</translation>
    </message>
    <message>
        <source>The cloud root folder could not be read.</source>
        <translation>Der Stammordner in der Cloud konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The cloud folder &quot;%1&quot; could not be created (code %2).</source>
        <translation>Der Cloud-Ordner „%1“ konnte nicht erstellt werden (Code %2).</translation>
    </message>
    <message>
        <source>The download folder is not writable: %1</source>
        <translation>In den Download-Ordner kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>The cloud space could not be read (code %1).</source>
        <translation>Der Cloud-Speicherplatz konnte nicht abgefragt werden (Code %1).</translation>
    </message>
    <message>
        <source>The cloud membership has expired.</source>
        <translation>Die Cloud-Mitgliedschaft ist abgelaufen.</translation>
    </message>
    <message>
        <source>There is not enough cloud space.</source>
        <translation>Nicht genügend Cloud-Speicherplatz.</translation>
    </message>
    <message>
        <source>The task list could not be saved, so the transfer was not started.</source>
        <translation>Die Übertragungsliste konnte nicht gespeichert werden, daher wurde die Übertragung nicht gestartet.</translation>
    </message>
    <message>
        <source>The drive refused the transfer (code %1).</source>
        <translation>Der Cloud-Speicher hat die Übertragung abgelehnt (Code %1).</translation>
    </message>
    <message>
        <source>There is not enough space on the local disk.</source>
        <translation>Auf dem lokalen Datenträger ist nicht genügend Platz.</translation>
    </message>
</context>
<context>
    <name>KSCloudDiskViewPresenter</name>
    <message>
        <source>The cloud space is insufficient. The remaining space is %1 MB (%2 MB has been used, the total capacity is %3 MB).</source>
        <translation>Nicht genügend Cloud-Speicherplatz. Frei sind noch %1 MB (%2 MB von %3 MB belegt).</translation>
    </message>
    <message>
        <source>Insufficient Storage Available</source>
        <translation>Nicht genügend Speicherplatz</translation>
    </message>
    <message>
        <source>Buy</source>
        <translation>Kaufen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cloud backup files contain illegal content cannot be downloaded, if you have any questions, please contact customer service.</source>
        <translation>Cloud-Dateien mit unzulässigen Inhalten können nicht heruntergeladen werden. Bei Fragen wenden Sie sich bitte an den Kundenservice.</translation>
    </message>
    <message>
        <source>Local directory &quot;%1&quot; is not write, please modify the local permission before downloading.</source>
        <translation>In den lokalen Ordner „%1“ kann nicht geschrieben werden. Bitte ändern Sie die Berechtigungen, bevor Sie herunterladen.</translation>
    </message>
    <message>
        <source>Insufficient space. Please expand cloud storage.</source>
        <translation>Nicht genügend Speicherplatz. Bitte erweitern Sie Ihren Cloud-Speicher.</translation>
    </message>
    <message>
        <source>Download failed: File does not exist</source>
        <translation>Herunterladen fehlgeschlagen: Die Datei existiert nicht</translation>
    </message>
    <message>
        <source>Sync failed</source>
        <translation>Synchronisierung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Network error. Please check network.</source>
        <translation>Netzwerkfehler. Bitte prüfen Sie Ihre Verbindung.</translation>
    </message>
    <message>
        <source>Download failed. Please check your network.</source>
        <translation>Herunterladen fehlgeschlagen. Bitte prüfen Sie Ihre Verbindung.</translation>
    </message>
</context>
<context>
    <name>KSCloudSpaceSelectDownloadAddressDialog</name>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Set as the default address</source>
        <translation>Als Standardordner festlegen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Filename too long</source>
        <translation>Dateiname zu lang</translation>
    </message>
    <message>
        <source>The file name is too long may cause the file cannot be opened after downloading</source>
        <translation>Ein zu langer Dateiname kann dazu führen, dass sich die Datei nach dem Herunterladen nicht öffnen lässt.</translation>
    </message>
</context>
<context>
    <name>KSMessageDialog</name>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
</context>
<context>
    <name>KSSyncSettingWidget</name>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Template</source>
        <translation>Vorlage</translation>
    </message>
    <message>
        <source>Adjustment Layer</source>
        <translation>Einstellungsebene</translation>
    </message>
    <message>
        <source>Compound Clip</source>
        <translation>Zusammengesetzter Clip</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Maske</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>AI Color Palette</source>
        <translation>KI-Farbpalette</translation>
    </message>
    <message>
        <source>Custom Color Layer</source>
        <translation>Eigene Farbebene</translation>
    </message>
    <message>
        <source>It can be used synchronously on other devices, which is more convenient.</source>
        <translation>Nutzen Sie Ihre Inhalte bequem auch auf anderen Geräten.</translation>
    </message>
    <message>
        <source>After it is turned on, the local data will be automatically synchronized to the cloud, which is more secure.</source>
        <translation>Nach dem Einschalten werden lokale Daten automatisch mit der Cloud synchronisiert – das ist sicherer.</translation>
    </message>
    <message>
        <source>It is enabled, and you can freely set the content that needs to be synchronized.</source>
        <translation>Die Synchronisierung ist aktiv. Legen Sie fest, welche Inhalte synchronisiert werden.</translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation>Favoriten</translation>
    </message>
    <message>
        <source>Customization: title , template , adjustment layers, etc.</source>
        <translation>Eigene Inhalte: Titel, Vorlagen, Einstellungsebenen usw.</translation>
    </message>
    <message>
        <source>Turn off sync</source>
        <translation>Synchronisierung ausschalten</translation>
    </message>
    <message>
        <source>Turn on sync</source>
        <translation>Synchronisierung einschalten</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterDlg</name>
    <message>
        <source>Transfer Center</source>
        <translation>Übertragungen</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterFinishTaskItemWidget</name>
    <message>
        <source>Share</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Clear Record</source>
        <translation>Eintrag entfernen</translation>
    </message>
    <message>
        <source>Go to Project</source>
        <translation>Zum Projekt</translation>
    </message>
    <message>
        <source>TransferCenter Reveal in Explorer</source>
        <translation>Im Ordner anzeigen</translation>
    </message>
    <message>
        <source>Uploaded</source>
        <translation>Hochgeladen</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>Geladen</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterLimitItemWidget</name>
    <message>
        <source>*Up to 200 transmission history records</source>
        <translation>*Höchstens 200 Einträge im Verlauf</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterPanel</name>
    <message>
        <source>The local file directory does not exist or has been deleted.</source>
        <translation>Der lokale Ordner existiert nicht oder wurde gelöscht.</translation>
    </message>
    <message>
        <source>Network Connection Error</source>
        <translation>Fehler bei der Netzwerkverbindung</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTabBar</name>
    <message>
        <source>TransferCenter Uploading</source>
        <translation>Uploads</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>TransferCenter Done</source>
        <translation>Erledigt</translation>
    </message>
    <message>
        <source>Sync settings</source>
        <translation>Auto-Sync</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTabWidget</name>
    <message>
        <source>Transfer Center</source>
        <translation>Übertragungen</translation>
    </message>
    <message>
        <source>Cutlane Cloud is here.</source>
        <translation>Cutlane Cloud ist da.</translation>
    </message>
    <message>
        <source>Try it out!</source>
        <translation>Jetzt ausprobieren!</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTaskWidget</name>
    <message>
        <source>TransferCenter Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>TransferCenter Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>TransferCenter Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>There are no results for %1</source>
        <translation>Keine Ergebnisse für „%1“</translation>
    </message>
    <message>
        <source>No uploads in progress.</source>
        <translation>Es wird gerade nichts hochgeladen.</translation>
    </message>
    <message>
        <source>Upload videos, images, projects, and more to your personal cloud storage.</source>
        <translation>Laden Sie Videos, Bilder, Projekte und mehr in Ihren persönlichen Cloud-Speicher hoch.</translation>
    </message>
    <message>
        <source>No downloads in progress.</source>
        <translation>Es wird gerade nichts heruntergeladen.</translation>
    </message>
    <message>
        <source>Download videos, images, projects, and more from your personal cloud storage.</source>
        <translation>Laden Sie Videos, Bilder, Projekte und mehr aus Ihrem persönlichen Cloud-Speicher herunter.</translation>
    </message>
    <message>
        <source>No completed tasks.</source>
        <translation>Keine abgeschlossenen Übertragungen.</translation>
    </message>
    <message>
        <source>Uploaded and downloaded tasks will appear here.</source>
        <translation>Hoch- und heruntergeladene Dateien erscheinen hier.</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterToolbar</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Subtitle</source>
        <translation>Untertitel</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Start All</source>
        <translation>Alle starten</translation>
    </message>
    <message>
        <source>TransferCenter Stop All</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <source>Cancel All</source>
        <translation>Alle abbrechen</translation>
    </message>
    <message>
        <source>TransferCenter Clear</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Clear All Tasks</source>
        <translation>Alle Übertragungen entfernen</translation>
    </message>
    <message>
        <source>Are you sure to clear all tasks?</source>
        <translation>Möchten Sie wirklich alle Übertragungen entfernen?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>KSTransferCenterUploadTaskItemWidget</name>
    <message>
        <source>TransferCenter Waiting...</source>
        <translation>Wartet...</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>TransferCenter Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>TransferCenter Clear</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Upload failed. Network connection problems.</source>
        <translation>Hochladen fehlgeschlagen. Netzwerkproblem.</translation>
    </message>
    <message>
        <source>Download failed. Network connection problems.</source>
        <translation>Herunterladen fehlgeschlagen. Netzwerkproblem.</translation>
    </message>
    <message>
        <source>Failed. There is insufficient disk space.</source>
        <translation>Fehlgeschlagen. Der Datenträger ist voll.</translation>
    </message>
    <message>
        <source>Failed. Insufficient Cloud space.</source>
        <translation>Fehlgeschlagen. Cloud-Speicher voll.</translation>
    </message>
    <message>
        <source>Expand Now.</source>
        <translation>Jetzt erweitern.</translation>
    </message>
    <message>
        <source>File size, over %1GB cannot be uploaded</source>
        <translation>Dateien über %1 GB können nicht hochgeladen werden</translation>
    </message>
    <message>
        <source>Upload failed. Please try again.</source>
        <translation>Hochladen fehlgeschlagen. Bitte erneut versuchen.</translation>
    </message>
    <message>
        <source>Download failed. Please try again.</source>
        <translation>Herunterladen fehlgeschlagen. Bitte erneut versuchen.</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
</context>
</TS>
