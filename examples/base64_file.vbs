' Lumetra example: writes a text as Base64 into a file, decodes Base64 into
' another file, and reads both back. EncodeBase64 and DecodeBase64 return
' True when the file was NOT written.
' Run it from a command prompt:  cscript //nologo base64_file.vbs
Option Explicit
Dim lum, fso, folder, encoded, decoded

Function ReadFile(path)
  Dim stream
  Set stream = fso.OpenTextFile(path, 1)
  ReadFile = stream.ReadAll
  stream.Close
End Function

Set lum = CreateObject("Lumetra.LumetraCOM")
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetSpecialFolder(2)                 ' the user's temporary folder
encoded = fso.BuildPath(folder, "lumetra_example.b64")
decoded = fso.BuildPath(folder, "lumetra_example.txt")

WScript.Echo "Encoding ""Hola, mundo"" into " & encoded
If lum.EncodeBase64("Hola, mundo", encoded) Then WScript.Echo "Could not write " & encoded
WScript.Echo "File contents: " & ReadFile(encoded)

WScript.Echo "Decoding ""SG9sYQ=="" into " & decoded
If lum.DecodeBase64("SG9sYQ==", decoded) Then WScript.Echo "Could not write " & decoded
WScript.Echo "File contents: " & ReadFile(decoded)

fso.DeleteFile encoded
fso.DeleteFile decoded
Set lum = Nothing
WScript.Echo "base64_file.vbs finished."
