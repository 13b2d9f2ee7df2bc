<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Sardoxa</name>
    <message>
        <source>Sardoxa</source>
        <translation>Sardoxa</translation>
    </message>
    <message>
        <source>Drop images or folders here</source>
        <translation>Bilder oder Ordner hier ablegen</translation>
    </message>
    <message>
        <source>Sardoxa scales every image to one size and writes the copies into a dated folder in your Pictures folder. The originals are never changed.</source>
        <translation>Sardoxa skaliert jedes Bild auf eine Größe und legt die Kopien in einem Ordner mit dem Tagesdatum in Ihrem Bilderordner ab. Die Originale bleiben unverändert.</translation>
    </message>
    <message>
        <source>There are no images to resize. Choose image files (PNG, JPEG, TIFF, GIF, HEIC, AVIF, WebP or JPEG XL) or folders that hold them.</source>
        <translation>Es gibt keine Bilder zum Skalieren. Wählen Sie Bilddateien (PNG, JPEG, TIFF, GIF, HEIC, AVIF, WebP oder JPEG XL) oder Ordner, die solche enthalten.</translation>
    </message>
    <message>
        <source>Open Images…</source>
        <translation>Bilder öffnen …</translation>
    </message>
    <message>
        <source>About Sardoxa</source>
        <translation>Über Sardoxa</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Remove Location from Copies</source>
        <translation>Ort aus den Kopien entfernen</translation>
    </message>
    <message>
        <source>Failed to resize images</source>
        <translation>Bilder konnten nicht skaliert werden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1 of %2 images resized</source>
        <translation>%1 von %2 Bildern skaliert</translation>
    </message>
    <message>
        <source>Keep Folder Structure</source>
        <translation>Ordnerstruktur beibehalten</translation>
    </message>
    <message>
        <source>Skip Images Already Done</source>
        <translation>Bereits skalierte Bilder überspringen</translation>
    </message>
    <message>
        <source>%1 already done</source>
        <translation>%1 bereits erledigt</translation>
    </message>
    <message>
        <source>Every image was resized already</source>
        <translation>Alle Bilder waren bereits skaliert</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>No image was resized</source>
        <translation>Kein Bild wurde skaliert</translation>
    </message>
    <message>
        <source>Show Skipped Images</source>
        <translation>Übersprungene Bilder zeigen</translation>
    </message>
    <message>
        <source>Skipped Images</source>
        <translation>Übersprungene Bilder</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>The scaled copies are in the output folder.</source>
        <translation>Die skalierten Kopien liegen im Ausgabeordner.</translation>
    </message>
    <message>
        <source>It seems that you have not finished the last task, please check the process and try again later.</source>
        <translation>Die letzte Aufgabe ist offenbar noch nicht abgeschlossen. Bitte prüfen Sie den Fortschritt und versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>Cannot find a valid target size, please try again.</source>
        <translation>Es wurde keine gültige Zielgröße gefunden. Bitte versuchen Sie es noch einmal.</translation>
    </message>
    <message>
        <source>Cannot find images to resize, please try again.</source>
        <translation>Es wurden keine Bilder zum Skalieren gefunden. Bitte versuchen Sie es noch einmal.</translation>
    </message>
    <message>
        <source>Choose a Size</source>
        <translation>Größe wählen</translation>
    </message>
    <message>
        <source>Scale the images to</source>
        <translation>Bilder skalieren auf</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <source>auto</source>
        <translation>auto</translation>
    </message>
    <message>
        <source>Resize</source>
        <translation>Skalieren</translation>
    </message>
    <message>
        <source>Leave one side empty to follow the other and keep each image&apos;s proportions. With both sides, images are cropped to fill.</source>
        <translation>Bleibt eine Seite leer, folgt sie der anderen und jedes Bild behält seine Proportionen. Mit beiden Seiten werden die Bilder auf das Format zugeschnitten.</translation>
    </message>
    <message>
        <source>Select Images to Resize</source>
        <translation>Bilder zum Skalieren auswählen</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Copyright © 2026 The Sardoxa developers.
All rights reserved.</source>
        <translation>Copyright © 2026 Die Sardoxa-Entwickler.
Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>Feedback &amp; Support</source>
        <translation>Rückmeldung &amp; Hilfe</translation>
    </message>
    <message>
        <source>Visit Website</source>
        <translation>Website besuchen</translation>
    </message>
    <message>
        <source>Type a width, a height or both, as numbers above 0.</source>
        <translation>Geben Sie eine Breite, eine Höhe oder beides ein, als Zahlen über 0.</translation>
    </message>
    <message>
        <source>Too large: no image can be written at this size.</source>
        <translation>Zu groß: In dieser Größe lässt sich kein Bild schreiben.</translation>
    </message>
    <message>
        <source>Too small: this size has no whole pixel.</source>
        <translation>Zu klein: Diese Größe hat kein ganzes Pixel.</translation>
    </message>
    <message numerus="yes">
        <source>%n image(s) resized</source>
        <translation>
            <numerusform>%n Bild skaliert</numerusform>
            <numerusform>%n Bilder skaliert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n image(s) left</source>
        <translation>
            <numerusform>Noch %n Bild</numerusform>
            <numerusform>Noch %n Bilder</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 images left</source>
        <translation>Noch %1 von %2 Bildern</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Language: %1</source>
        <translation>Sprache: %1</translation>
    </message>
    <message>
        <source>Feedback &amp; Support in the README</source>
        <translation>Rückmeldung &amp; Hilfe in der README-Datei</translation>
    </message>
    <message>
        <source>Open the README</source>
        <translation>README-Datei öffnen</translation>
    </message>
    <message>
        <source>No size is remembered yet. Open Sardoxa, choose a size for a few images once, then try again.</source>
        <translation>Es ist noch keine Größe gespeichert. Öffnen Sie Sardoxa, wählen Sie einmal eine Größe für einige Bilder und versuchen Sie es dann noch einmal.</translation>
    </message>
    <message>
        <source>Do Not Enlarge Small Images</source>
        <translation>Kleine Bilder nicht vergrößern</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Kopien</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation>Qualität:</translation>
    </message>
    <message>
        <source>Lossless</source>
        <translation>Verlustfrei</translation>
    </message>
    <message>
        <source>JPEG has no transparency: transparent areas are flattened on white.</source>
        <translation>JPEG kennt keine Transparenz: Transparente Bereiche werden weiß hinterlegt.</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
</context>
</TS>
