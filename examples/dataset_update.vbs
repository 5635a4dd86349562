' Lumetra example: DSToJSON changes one record of a dataset XML packet from JSON values.
' The operation is "C" (append a record), "M" (modify the record found by key) or "D" (delete it).
' Run it from a command prompt:  cscript //nologo dataset_update.vbs
Option Explicit
Dim lum, packet
Set lum = CreateObject("Lumetra.LumetraCOM")

packet = "<?xml version=""1.0"" standalone=""yes""?>" & _
  "<DATAPACKET Version=""2.0""><METADATA><FIELDS>" & _
  "<FIELD attrname=""ID"" fieldtype=""i4""/>" & _
  "<FIELD attrname=""NAME"" fieldtype=""string"" WIDTH=""30""/>" & _
  "<FIELD attrname=""AGE"" fieldtype=""i2""/>" & _
  "</FIELDS><PARAMS/></METADATA>" & _
  "<ROWDATA><ROW ID=""1"" NAME=""Ana"" AGE=""30""/></ROWDATA></DATAPACKET>"

WScript.Echo "Appending record ID 2..."
packet = lum.DSToJSON(packet, "{""NAME"":""Bruno"",""AGE"":41}", "ID", 2, "C")
WScript.Echo packet

WScript.Echo "Modifying the record with ID 1..."
packet = lum.DSToJSON(packet, "{""AGE"":31}", "ID", 1, "M")
WScript.Echo packet

Set lum = Nothing
WScript.Echo "dataset_update.vbs finished."
