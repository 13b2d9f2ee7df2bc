<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Sardoxa</name>
    <message numerus="yes">
        <source>%n image(s) resized</source>
        <translation>
            <numerusform>%n image resized</numerusform>
            <numerusform>%n images resized</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n image(s) left</source>
        <translation>
            <numerusform>%n image left</numerusform>
            <numerusform>%n images left</numerusform>
        </translation>
    </message>
</context>
</TS>
