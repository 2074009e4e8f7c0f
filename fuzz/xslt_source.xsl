<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:param name="unitsystem"/>
  <xsl:param name="decsep"/>
  <xsl:param name="pagelist"/>
  <xsl:template match="/">
    <report unit="{$unitsystem}" sep="{$decsep}" pages="{$pagelist}">
      <xsl:apply-templates/>
    </report>
  </xsl:template>
  <xsl:template match="*">
    <e name="{name()}" n="{count(@*)}">
      <xsl:for-each select="@*"><a name="{name()}"><xsl:value-of select="format-number(number(.), '#,##0.00')"/></a></xsl:for-each>
      <xsl:apply-templates/>
    </e>
  </xsl:template>
  <xsl:template match="text()"><t><xsl:value-of select="normalize-space(.)"/></t></xsl:template>
</xsl:stylesheet>
