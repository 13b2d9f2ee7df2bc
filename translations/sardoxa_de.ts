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
</context>
</TS>
