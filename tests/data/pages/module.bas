Attribute VB_Name = "MODmain"
Option Explicit

Public Const APP_NAME As String = "Demo <b>&amp;</b>"

Sub Main()
    Dim i As Integer
    For i = 1 To 25
        Debug.Print i * 2
    Next i
    ' </pre><script>alert(1)</script>
End Sub
