<?xml version="1.0" encoding="UTF-8"?>
<!-- General specification: project title, cover data and the design basis of the
     whole project. Numbers are written with the project's decimal separator. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:param name="unitsystem" select="'SI'"/>
  <xsl:param name="decsep" select="'.'"/>
  <xsl:param name="pagelist" select="-1"/>

  <xsl:template name="number">
    <xsl:param name="value"/>
    <xsl:param name="pattern" select="'0.00'"/>
    <xsl:value-of select="translate(format-number($value, $pattern), '.', $decsep)"/>
  </xsl:template>

  <xsl:template match="/project">
    <report>
      <projecttitle><xsl:value-of select="@module"/></projecttitle>
      <projecttype><xsl:value-of select="@type"/></projecttype>
      <page/>
      <xsl:if test="$pagelist &lt; 0">
        <bookmark label="General specification" level="0"/>
      </xsl:if>
      <xmlcell width="0" id="heading"><msg>General specification</msg></xmlcell>
      <xmlcell width="60" id="name-label"><msg>Project name</msg></xmlcell>
      <cell width="0" height="6" ln="1" id="name"><xsl:value-of select="@name"/></cell>
      <xmlcell width="60" id="unitsystem-label"><msg>Unit system</msg></xmlcell>
      <cell width="0" height="6" ln="1" id="unitsystem"><xsl:value-of select="$unitsystem"/></cell>
      <cell width="0" height="6" ln="1" id="decsep"><xsl:value-of select="$decsep"/></cell>
      <cell width="0" height="6" ln="1" id="pagelist"><xsl:value-of select="$pagelist"/></cell>
      <xsl:apply-templates select="design/value"/>
      <replacement id="client" value="Prepared for"/>
      <xmlcell width="120"><xsl:value-of select="@client"/></xmlcell>
    </report>
  </xsl:template>

  <xsl:template match="value">
    <xmlcell width="60"><msg><xsl:value-of select="@label"/></msg></xmlcell>
    <cell width="0" height="6" ln="1" align="right" id="value-{@key}">
      <xsl:call-template name="number">
        <xsl:with-param name="value" select="@amount"/>
      </xsl:call-template>
      <xsl:text> </xsl:text>
      <xsl:choose>
        <xsl:when test="$unitsystem = 'US'"><xsl:value-of select="@usunit"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="@unit"/></xsl:otherwise>
      </xsl:choose>
    </cell>
  </xsl:template>
</xsl:stylesheet>
