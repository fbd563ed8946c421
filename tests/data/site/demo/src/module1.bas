Attribute VB_Name = "Module1"
Option Explicit
Public Declare Function GetTickCount Lib "kernel32" () As Long
Public Type Point
    X As Long
End Type
Private Enum Colour
    Red
End Enum
Sub Main() ' entry
    Form1.Show
End Sub
